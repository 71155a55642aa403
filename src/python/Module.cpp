// The Python module `tarncheckvalve`: the symbol's definition, the sample parts, catalogues, and the
// evaluation of a part with its report, its exports and its shapes as Open CASCADE BRep text: the
// module's functions and classes (its arguments are read in Arguments.cpp, an evaluation is Evaluation.h).
//
// The kernel is installed once, when the module is imported. Evaluations and file writing run without
// the GIL: evaluations of different parts run in parallel on Python threads.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <oneapi/tbb/global_control.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "Arguments.h"
#include "Convert.h"
#include "Evaluation.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/CatalogCsv.h"
#include "tarncheckvalve/catalog/Diff.h"
#include "tarncheckvalve/catalog/Documents.h"
#include "tarncheckvalve/catalog/MessageText.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/catalog/ValidateReport.h"
#include "tarncheckvalve/catalog/Warnings.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/exports/ContentKey.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/Formats.h"
#include "tarncheckvalve/exports/Gallery.h"
#include "tarncheckvalve/exports/GalleryPlan.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/exports/ViewerAssets.h"
#include "tarncheckvalve/host/Version.h"
#include "tarncheckvalve/kernel/Kernel.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/RefRuntime.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace py = pybind11;

namespace {

// Runs `work`; a folder or file an export cannot use (ExportError) becomes OSError with its message.
template <typename Work>
auto raisingOSError(Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const tcv::exports::ExportError& error) {
        tcv::python::raise(PyExc_OSError, error.what());
    }
}

} // namespace

PYBIND11_MODULE(_tarncheckvalve, m) {
    using namespace tcv;
    using python::Evaluation;
    kernel::installOccKernel();
    m.doc() = "The TarnCheckValve check valve symbol: definition, sample parts, catalogues, and evaluation of a "
              "part into a report, STEP, GLB, STL and IFC files and Open CASCADE BRep shapes.";
    m.attr("__version__") = TCV_VERSION_STRING;
    // Declared first, so that the functions' signatures name it.
    py::class_<Evaluation> evaluationClass(
        m, "Evaluation", "An evaluated part: its report and its shapes, written as files or as BRep text.");

    m.def(
        "definition", [] { return python::toPython(catalog::definitionJson()); },
        "The definition the symbol declares: progId, inputs (position, name, description, "
        "properties, default), aspects with their outputs, and evaluations; the document `checkvalve definition "
        "--json` prints.");
    m.def(
        "samples",
        [] {
            std::vector<refhost::CatalogPart> parts;
            std::string failure;
            {
                py::gil_scoped_release release;
                try {
                    parts = catalog::loadCatalogFolder(python::dataDirectory() + "/catalog");
                } catch (const catalog::CatalogError& error) {
                    failure = error.what();
                }
            }
            if (!failure.empty()) python::raise(PyExc_OSError, failure);
            return python::partList(parts);
        },
        "The built-in sample parts, each a part dict as a catalogue holds it (name, "
        "description, partDataBasis, inputs, ports, operator...), ready for evaluate().");
    m.def(
        "load_catalog",
        [](const std::filesystem::path& path) {
            std::vector<refhost::CatalogPart> parts;
            std::string failure;
            bool missing = false;
            {
                py::gil_scoped_release release;
                std::error_code error;
                missing = !std::filesystem::exists(path, error);
                if (!missing) try {
                        parts = catalog::loadCatalogFile(path.string());
                    } catch (const catalog::CatalogError& catalogError) {
                        failure = catalogError.what();
                    }
            }
            if (missing) python::raise(PyExc_FileNotFoundError, path.string() + ": no such catalogue file");
            if (!failure.empty()) python::raise(PyExc_ValueError, failure);
            return python::partList(parts);
        },
        py::arg("path"),
        "The parts of a catalogue file (one part or {\"parts\": [...]}), each "
        "a part dict ready for evaluate(). Raises FileNotFoundError for a missing file and ValueError, naming "
        "the part and field, for a malformed one.");
    m.def(
        "evaluate",
        [](const py::dict& part, const py::object& aspects, double timeLimit, long long triangleLimit) {
            const std::vector<std::string> names = python::readAspects(aspects);
            const refhost::CatalogPart partSpec = python::readPart(part);
            const refhost::WorkLimits limits = python::readLimits(timeLimit, triangleLimit);
            std::unique_ptr<Evaluation> evaluation;
            {
                py::gil_scoped_release release;
                refhost::HostOptions options = python::hostOptions();
                options.budget = std::make_shared<refhost::WorkBudget>(limits);
                evaluation = std::make_unique<Evaluation>(catalog::evaluatePart(partSpec, names, options), limits);
            }
            return evaluation;
        },
        py::arg("part"),
        py::arg("aspects") = py::make_tuple(contract::aspectName(contract::Aspect::Physical),
                                            contract::aspectName(contract::Aspect::Insulation)),
        py::kw_only(), py::arg("time_limit") = python::kDefaultTimeLimitSeconds,
        py::arg("triangle_limit") = static_cast<long long>(refhost::kDefaultTriangleLimit),
        "Evaluates the asked "
        "aspects of a part dict (as samples() and load_catalog() give, or written by hand) with the symbol. A "
        "malformed part raises ValueError naming the field; an aspect that fails is no exception: the report "
        "says so (\"ok\": false and its error code), as `checkvalve eval` does. Runs without the GIL, so "
        "threads evaluate in parallel. The evaluation, and each write of its files, ends with a reason once it "
        "has taken `time_limit` seconds, and a write when its meshes would hold more than `triangle_limit` "
        "triangles (0: no limit).");

    m.def(
        "limit_threads",
        [](int threads) {
            if (threads < 0) python::raise(PyExc_ValueError, "threads: expected 0 (no limit) or more");
            auto& control = python::threadLimit();
            control.reset();
            if (threads > 0)
                control = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism,
                                                                static_cast<std::size_t>(threads));
        },
        py::arg("threads"),
        "Limits the threads of the geometry kernel's parallel loops (meshing) in this process: 1 meshes each "
        "part on the thread that exports it, so that N threads each exporting a part use N cores; 0 lifts "
        "the limit.");
    m.def(
        "printable", [](const std::string& text) { return catalog::escapedControls(text); }, py::arg("text"),
        "The text as `checkvalve` prints names and messages to a terminal: control characters escaped.");
    m.def("gallery_file_stems", &exports::galleryFileStems, py::arg("names"),
          "The gallery's file names (without extension) of parts of these names, in order, as `checkvalve "
          "gallery` names them: unsafe characters as '-', duplicates numbered, never \"index\" or \"index.keys\".");
    m.def(
        "render_gallery_part",
        [](const py::dict& part, const std::filesystem::path& folder, const std::string& stem, double timeLimit,
           long long triangleLimit, const std::string& ifcGeometry) {
            const refhost::CatalogPart partSpec = python::readPart(part);
            const refhost::WorkLimits limits = python::readLimits(timeLimit, triangleLimit);
            const exports::IfcOptions ifc = python::ifcOptions(ifcGeometry);
            exports::GalleryEntry entry;
            entry.stem = stem;
            {
                py::gil_scoped_release release;
                try {
                    catalog::PartReport report;
                    exports::renderGalleryPart(partSpec, python::hostOptions(), folder, limits, ifc, entry, report);
                } catch (const std::exception& error) {
                    entry.errors.push_back(error.what());
                }
            }
            return py::make_tuple(python::toPython(exports::galleryIndexItem(partSpec, entry)), entry.errors);
        },
        py::arg("part"), py::arg("folder"), py::arg("stem"), py::kw_only(),
        py::arg("time_limit") = python::kDefaultTimeLimitSeconds,
        py::arg("triangle_limit") = static_cast<long long>(refhost::kDefaultTriangleLimit),
        py::arg("ifc_geometry") = "exact",
        "Renders one part into `folder` exactly as `checkvalve gallery` does: <stem>.json, .glb, .step and "
        ".ifc, each whole or not at all, under one budget. Returns (its index.json item, its errors); a part "
        "that fails is no exception.");
    py::class_<exports::GalleryPlan>(
        m, "GalleryPlan",
        "The parts of a gallery folder to render again, as `checkvalve gallery` finds them: those whose content "
        "key (part record, pipe outside-diameter entries read, program, settings) differs from the one the "
        "folder keeps, or whose files are no longer the ones written. Holds the folder while it lives: OSError "
        "when another run holds it.")
        .def(py::init([](const std::filesystem::path& folder, const py::list& parts,
                         const std::vector<std::string>& stems, double timeLimit, long long triangleLimit,
                         const std::string& ifcGeometry, bool force) {
                 if (py::len(parts) != stems.size())
                     python::raise(PyExc_ValueError, "parts and stems differ in length");
                 const std::string settings = exports::exportSettingsText(python::ifcOptions(ifcGeometry),
                                                                          python::readLimits(timeLimit, triangleLimit));
                 const std::string dataDirectory = python::hostOptions().dataDirectory;
                 std::vector<std::string> keys;
                 for (std::size_t i = 0; i < stems.size(); ++i)
                     keys.push_back(exports::partContentKey(python::readPart(parts[i].cast<py::dict>()), stems[i],
                                                            dataDirectory, settings));
                 return raisingOSError([&] {
                     return std::make_unique<exports::GalleryPlan>(folder, stems, std::move(keys), force, false);
                 });
             }),
             py::arg("folder"), py::arg("parts"), py::arg("stems"), py::kw_only(),
             py::arg("time_limit") = python::kDefaultTimeLimitSeconds,
             py::arg("triangle_limit") = static_cast<long long>(refhost::kDefaultTriangleLimit),
             py::arg("ifc_geometry") = "exact", py::arg("force") = false)
        .def("changed_parts", &exports::GalleryPlan::changedParts, "Indices of the parts to render, in order.")
        .def(
            "kept_item",
            [](const exports::GalleryPlan& plan, std::size_t part) { return python::toPython(plan.keptItem(part)); },
            py::arg("part"), "The index.json item kept for an unchanged part.")
        .def("unchanged", &exports::GalleryPlan::unchanged, py::arg("part"))
        .def("staging_files_removed", &exports::GalleryPlan::stagingFilesRemoved,
             "How many staging files of gallery files a run cut short had left, removed when the plan was made.")
        .def(
            "counts",
            [](const exports::GalleryPlan& plan) {
                const auto counts = plan.counts();
                py::dict out;
                out["parts"] = counts.parts;
                out["changed"] = counts.changed;
                out["removed"] = counts.removed;
                out["unchanged"] = counts.unchanged;
                out["text"] = exports::galleryCountsText(counts);
                return out;
            },
            "parts, changed, removed, unchanged, and text: \"N parts: C changed, R removed, U unchanged\".")
        .def(
            "clear_stale", [](exports::GalleryPlan& plan) { raisingOSError([&] { plan.clearStale(); }); },
            "Before rendering: keeps only the unchanged parts' keys, then removes the files of removed parts and "
            "the earlier files of the parts to render.")
        .def(
            "record",
            [](exports::GalleryPlan& plan, std::size_t part, const py::dict& item, bool whole) {
                nlohmann::ordered_json json = python::fromPython(item, "item");
                py::gil_scoped_release release;
                plan.record(part, std::move(json), whole);
            },
            py::arg("part"), py::arg("item"), py::arg("whole"),
            "After a part was rendered: its index item and whether it rendered whole (its files are read back).")
        .def(
            "write_keys", [](exports::GalleryPlan& plan) { raisingOSError([&] { plan.writeKeys(); }); },
            "Writes the keys of the unchanged and recorded parts.");
    m.def(
        "write_gallery_index",
        [](const std::filesystem::path& folder, const std::string& source, const py::list& items) {
            const std::string text =
                exports::galleryIndexText(exports::galleryIndex(source, python::fromPython(items, "items")));
            std::string failure;
            {
                py::gil_scoped_release release;
                try {
                    exports::writeGalleryIndexText(folder, text);
                } catch (const exports::ExportError& error) {
                    failure = error.what();
                }
            }
            if (!failure.empty()) python::raise(PyExc_OSError, failure);
        },
        py::arg("folder"), py::arg("source"), py::arg("items"),
        "Writes the gallery's index.json of these items (in part order) into `folder`, whole or not at all "
        "(an index.json with the same bytes is left untouched); "
        "`source` is the catalogue file (\"\" for the built-in samples).");
    m.def(
        "check_viewer_folder",
        [](const std::string& folder) { raisingOSError([&] { exports::checkViewerDestination(folder); }); },
        py::arg("folder"),
        "OSError, naming the path, when the viewer's folders in a gallery folder (app/, app/three/) exist as "
        "anything but real folders, as `checkvalve gallery` refuses them before any work.");
    m.def(
        "write_viewer",
        [](const std::string& folder) {
            py::gil_scoped_release release;
            exports::writeViewer(folder, python::viewerDirectory());
            return exports::hasViewer(folder);
        },
        py::arg("folder"),
        "Copies the gallery's browser viewer into `folder` as `checkvalve gallery` does (a warning on stderr "
        "for what is missing); True when the folder then shows models (`checkvalve serve FOLDER`).");
    m.def(
        "validate_part",
        [](const py::dict& part, bool recordOnly) {
            const refhost::CatalogPart partSpec = python::readPart(part);
            catalog::PartOutcome outcome;
            {
                py::gil_scoped_release release;
                refhost::HostOptions options = python::hostOptions();
                if (recordOnly) options.kernel.reset();
                const auto report = catalog::evaluatePart(partSpec, python::kAspects, options);
                outcome = catalog::outcomeOf(report, catalog::partWarnings(report, options));
            }
            return python::outcomeDict(outcome);
        },
        py::arg("part"), py::kw_only(), py::arg("record_only") = false,
        "Evaluates both aspects of a part as `checkvalve validate` does and returns its outcome: name, "
        "partDataBasis, per aspect ok, error, failure text and output count, and the warnings.");
    m.def(
        "validate_summary",
        [](const std::string& catalog, const py::list& outcomes, bool strict, bool quiet,
           const std::optional<std::string>& reportPath) {
            catalog::ValidateSummary summary;
            summary.catalog = catalog.empty() ? "built-in samples" : catalog;
            summary.strict = strict;
            for (const py::handle item : outcomes) summary.parts.push_back(python::outcomeOf(item));
            if (reportPath) {
                if (!catalog::knownReportExtension(*reportPath))
                    python::raise(PyExc_ValueError, "a report ends in .json, .xml or .html");
                std::string failure;
                {
                    py::gil_scoped_release release;
                    try {
                        exports::writeFileStaged(*reportPath, "report",
                                                 catalog::renderValidateReport(summary, *reportPath));
                    } catch (const std::exception& error) {
                        failure = error.what();
                    }
                }
                if (!failure.empty()) python::raise(PyExc_OSError, failure);
            }
            return py::make_tuple(catalog::renderValidateText(summary, quiet), catalog::validateExitCode(summary));
        },
        py::arg("catalog"), py::arg("outcomes"), py::kw_only(), py::arg("strict") = false, py::arg("quiet") = false,
        py::arg("report") = py::none(),
        "From validate_part()'s outcomes in part order: (the text `checkvalve validate` prints, its exit "
        "code). With `report` also writes the report by its extension (.json, .xml, .html), whole or not at "
        "all (OSError).");
    m.def(
        "diff_changed_parts",
        [](const std::string& oldPath, const std::string& newPath) {
            const auto before = python::readCatalog(oldPath);
            const auto after = python::readCatalog(newPath);
            const catalog::CatalogDiff diff = catalog::planCatalogDiff(before, after);
            py::list out;
            for (const auto& [oldPart, newPart] : catalog::changedPartVersions(diff, before, after))
                out.append(py::make_tuple(oldPart->name, python::toPython(catalog::partJson(*oldPart)),
                                          python::toPython(catalog::partJson(*newPart))));
            return out;
        },
        py::arg("old"), py::arg("new"),
        "The parts whose data differ between two catalogue files, as `checkvalve diff` matches them: (name, "
        "old part, new part) in name order. ValueError for a catalogue that does not read.");
    m.def(
        "diff_report",
        [](const py::dict& part, const py::object& aspects) {
            const std::vector<std::string> names = python::readAspects(aspects);
            const refhost::CatalogPart partSpec = python::readPart(part);
            nlohmann::ordered_json report;
            {
                py::gil_scoped_release release;
                report = catalog::diffReportJson(catalog::evaluatePart(partSpec, names, python::hostOptions()));
            }
            return python::toPython(report);
        },
        py::arg("part"),
        py::arg("aspects") = py::make_tuple(contract::aspectName(contract::Aspect::Physical),
                                            contract::aspectName(contract::Aspect::Insulation)),
        "The report of a part as `checkvalve diff` compares it (without the recorded creations).");
    m.def(
        "diff_summary",
        [](const std::string& oldPath, const std::string& newPath, const py::dict& reports, bool json) {
            catalog::CatalogDiff diff =
                catalog::planCatalogDiff(python::readCatalog(oldPath), python::readCatalog(newPath));
            for (auto& part : diff.changed) {
                if (!reports.contains(part.name))
                    python::raise(PyExc_ValueError, "reports: no reports of the changed part \"" + part.name + "\"");
                const py::sequence pair = reports[py::str(part.name)].cast<py::sequence>();
                part.graphics =
                    catalog::graphicsChanges(python::fromPython(pair[0], "old"), python::fromPython(pair[1], "new"));
            }
            const catalog::DiffOutput output = catalog::renderCatalogDiff(diff, json);
            return py::make_tuple(output.text, output.summary, output.exitCode);
        },
        py::arg("old"), py::arg("new"), py::arg("reports"), py::kw_only(), py::arg("json") = false,
        "What `checkvalve diff OLD NEW` prints, from diff_report()'s (old, new) reports per changed part "
        "name: (stdout text, summary line without the command's name, exit code).");

    evaluationClass
        .def_property_readonly("report", &Evaluation::report,
                               "The report as a dict, equal to what `checkvalve eval --json` prints for the part: "
                               "part, partDataBasis and per aspect its code, ok, error and outputs (name, kind, "
                               "bbox, volume, valid, port data, creation). Lengths in metres.")
        .def_property_readonly("ok", &Evaluation::ok, "True when every evaluated aspect succeeded.")
        .def_property_readonly("name", &Evaluation::name, "The part's name.")
        .def_property_readonly("aspects", &Evaluation::aspects, "The evaluated aspects, in order.")
        .def("shapes", &Evaluation::shapes, py::arg("aspect"),
             "The shapes an evaluated aspect drew, in output "
             "order: (output name, kind, Open CASCADE BRep text) per output that has geometry; kind as in the "
             "report (\"solid\", \"surface\", \"curve\", \"nozzle\", \"occurrence\"). Any OCCT-based program reads "
             "the text (BRepTools::Read, FreeCAD's Part.Shape.importBrepFromString). Lengths in metres.")
        .def("__repr__", [](const Evaluation& self) {
            return "<tarncheckvalve.Evaluation of '" + self.name() + "': " + (self.ok() ? "ok" : "failed") + ">";
        });

    // One writer per export format, write_<name>, from the format table: a new format is a new method. The
    // names and texts live as long as the module (the bindings keep pointers to them).
    static const std::vector<std::pair<std::string, std::string>> writers = [] {
        std::vector<std::pair<std::string, std::string>> named;
        for (const exports::ExportFormat& format : exports::exportFormats())
            named.emplace_back(
                "write_" + std::string(format.name),
                std::string("Writes ") + format.contents +
                    ". The file is written whole or not at all; OSError when it cannot be" +
                    (format.physicalOnly ? ", ValueError when the Physical aspect was not evaluated." : "."));
        return named;
    }();
    for (std::size_t i = 0; i < writers.size(); ++i) {
        const exports::ExportFormat& format = exports::exportFormats()[i];
        evaluationClass.def(
            writers[i].first.c_str(),
            [&format](Evaluation& self, const std::filesystem::path& path) { self.write(path, format); },
            py::arg("path"), writers[i].second.c_str());
    }
}
