// An evaluated part as the module hands it to Python: its report, and the shapes behind it written as
// files or as BRep text. One evaluation's shapes are used by one thread at a time (meshing for GLB and STL
// changes them), so its methods take its own lock.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <pybind11/pybind11.h>

#include "Arguments.h"
#include "Convert.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/Formats.h"
#include "tarncheckvalve/kernel/Kernel.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::python {

namespace py = pybind11;

// An evaluated part: the report, and the shapes behind it for the exports.
class Evaluation {
public:
    Evaluation(catalog::PartReport report, refhost::WorkLimits limits)
        : report_(std::move(report)), json_(catalog::reportJson(report_)), limits_(limits) {}

    py::object report() const { return toPython(json_); }
    bool ok() const { return report_.ok(); }
    const std::string& name() const { return report_.part.name; }
    std::vector<std::string> aspects() const {
        std::vector<std::string> names;
        for (const auto& aspect : report_.aspects) names.push_back(aspect.aspect);
        return names;
    }

    // Writes the file of one export format (exports/Formats.h) with the limits the part was evaluated under.
    void write(const std::filesystem::path& path, const exports::ExportFormat& format) {
        if (format.physicalOnly && !hasAspect(std::string(contract::aspectName(contract::Aspect::Physical))))
            raise(PyExc_ValueError, std::string("write_") + format.name +
                                        " writes the Physical aspect, which this evaluation does not hold; "
                                        "evaluate it with aspects=(\"Physical\", ...)");
        std::string failure;
        {
            py::gil_scoped_release release;
            std::lock_guard<std::mutex> lock(mutex_);
            try {
                // Each write has a budget of its own, with the limits the part was evaluated under.
                exports::MeshSettings settings;
                settings.budget = std::make_shared<refhost::WorkBudget>(limits_);
                exports::ExportDocument document(report_, settings);
                format.write(document, path.string(), exports::IfcOptions{});
            } catch (const exports::ExportError& error) {
                failure = error.what();
            }
        }
        if (!failure.empty()) raise(PyExc_OSError, failure);
    }

    py::list shapes(const std::string& aspectName) {
        const refhost::AspectResult* aspect = nullptr;
        for (const auto& result : report_.aspects)
            if (result.aspect == aspectName) aspect = &result;
        if (!aspect) {
            std::string held;
            for (const auto& name : aspects()) held += (held.empty() ? "\"" : ", \"") + name + "\"";
            raise(PyExc_ValueError,
                  "shapes: the evaluation holds no aspect \"" + aspectName + "\" (it holds " + held + ")");
        }
        struct Entry {
            std::string name, kind, brep;
        };
        std::vector<Entry> entries;
        {
            py::gil_scoped_release release;
            std::lock_guard<std::mutex> lock(mutex_);
            if (aspect->outputs)
                for (const auto& output : aspect->outputs->outputs()) {
                    const auto* recorded = dynamic_cast<const refhost::RecordedObject*>(output.object.get());
                    if (!recorded) continue;
                    std::string brep = kernel::brepText(recorded->shape());
                    if (brep.empty()) continue;
                    entries.push_back({output.name, refhost::outputKindName(recorded->outputKind()), std::move(brep)});
                }
        }
        py::list out;
        for (const auto& entry : entries) out.append(py::make_tuple(entry.name, entry.kind, entry.brep));
        return out;
    }

private:
    bool hasAspect(const std::string& name) const {
        for (const auto& aspect : report_.aspects)
            if (aspect.aspect == name) return true;
        return false;
    }

    catalog::PartReport report_;
    nlohmann::ordered_json json_;
    refhost::WorkLimits limits_;
    std::mutex mutex_;
};

} // namespace tcv::python
