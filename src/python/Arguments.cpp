// Reading the module's arguments (aspects, parts, limits, catalogues, IFC options, validate outcomes) and
// the folders it finds its data and viewer in. Bad arguments raise the Python exception that names them.
#include "Arguments.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>

#include <pybind11/stl.h>

#include "Convert.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/CatalogCsv.h"
#include "tarncheckvalve/catalog/Documents.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::python {

namespace {

// The folder of this module's file, found through one of its own functions.
std::filesystem::path moduleFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&moduleFolder), &info) || !info.dli_fname) return {};
    std::error_code error;
    const std::filesystem::path file = std::filesystem::canonical(info.dli_fname, error);
    return error ? std::filesystem::path() : file.parent_path();
}

} // namespace

const std::vector<std::string> kAspects = contract::allAspectNames();

// The data folder (pipe outside diameters, sample catalogue): TCV_DATA_DIR when set, else share/ of the
// prefix the module is installed in, else the source tree of the build tree it was built in.
const std::string& dataDirectory() {
    static const std::string folder = [] {
        const std::filesystem::path here = moduleFolder();
        return refhost::shippedDirectoryOf("data", "TCV_DATA_DIR", here.string(),
                                           (here / TCV_PYTHON_TO_PREFIX).string());
    }();
    return folder;
}

// The gallery's browser viewer: TCV_VIEWER_DIR when set, else share/ of the prefix, else the source tree.
const std::string& viewerDirectory() {
    static const std::string folder = [] {
        const std::filesystem::path here = moduleFolder();
        return refhost::shippedDirectoryOf("viewer", "TCV_VIEWER_DIR", here.string(),
                                           (here / TCV_PYTHON_TO_PREFIX).string());
    }();
    return folder;
}

refhost::HostOptions hostOptions() {
    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    options.dataDirectory = dataDirectory();
    return options;
}

py::list partList(const std::vector<refhost::CatalogPart>& parts) {
    py::list out;
    for (const auto& part : parts) out.append(toPython(catalog::partJson(part)));
    return out;
}

[[noreturn]] void raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

std::vector<std::string> readAspects(py::handle aspects) {
    std::vector<std::string> names;
    if (py::isinstance<py::str>(aspects)) {
        names.push_back(aspects.cast<std::string>());
    } else {
        if (!py::isinstance<py::iterable>(aspects))
            raise(PyExc_TypeError, "aspects: expected a sequence of aspect names, got a " +
                                       std::string(py::str(py::type::handle_of(aspects).attr("__name__"))));
        for (py::handle item : aspects) {
            if (!py::isinstance<py::str>(item))
                raise(PyExc_TypeError, "aspects: expected names such as \"Physical\", got a " +
                                           std::string(py::str(py::type::handle_of(item).attr("__name__"))));
            names.push_back(item.cast<std::string>());
        }
    }
    if (names.empty()) raise(PyExc_ValueError, "aspects: name at least one of \"Physical\", \"Insulation\"");
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (std::find(kAspects.begin(), kAspects.end(), names[i]) == kAspects.end())
            raise(PyExc_ValueError, "aspects: unknown aspect \"" + names[i] +
                                        "\" (the aspects are \"Physical\" and "
                                        "\"Insulation\")");
        if (std::find(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(i), names[i]) !=
            names.begin() + static_cast<std::ptrdiff_t>(i))
            raise(PyExc_ValueError, "aspects: \"" + names[i] + "\" is named twice");
    }
    return names;
}

// The part a dict describes, read as the catalogue reads a part; malformed parts raise ValueError with
// the catalogue's message, which names the field.
refhost::CatalogPart readPart(const py::dict& part) {
    // The catalogue reads the value itself: no JSON text in between.
    const nlohmann::json value(fromPython(part, "part"));
    std::vector<refhost::CatalogPart> parts;
    try {
        parts = catalog::readCatalogParts(value, "part");
    } catch (const catalog::CatalogError& error) {
        raise(PyExc_ValueError, error.what());
    }
    if (parts.size() != 1)
        raise(PyExc_ValueError, "part: expected one part, got a catalogue of " + std::to_string(parts.size()) +
                                    "; evaluate its parts one by one");
    return parts.front();
}

refhost::WorkLimits readLimits(double timeLimit, long long triangleLimit) {
    if (!(timeLimit >= 0) || timeLimit > 86400)
        raise(PyExc_ValueError, "time_limit: expected seconds from 0 (no limit) to 86400");
    if (triangleLimit < 0) raise(PyExc_ValueError, "triangle_limit: expected 0 (no limit) or more");
    refhost::WorkLimits limits;
    limits.time = refhost::timeLimitOf(timeLimit);
    limits.triangles = static_cast<std::size_t>(triangleLimit);
    return limits;
}

// The parts of a catalogue file, as the command line reads them: ValueError for a bad file.
std::vector<refhost::CatalogPart> readCatalog(const std::string& path) {
    std::vector<refhost::CatalogPart> parts;
    std::string failure;
    {
        py::gil_scoped_release release;
        try {
            parts = catalog::loadCatalogFile(path);
        } catch (const catalog::CatalogError& error) {
            failure = error.what();
        }
    }
    if (!failure.empty()) raise(PyExc_ValueError, failure);
    return parts;
}

exports::IfcOptions ifcOptions(const std::string& geometry) {
    exports::IfcOptions options;
    if (geometry == "mesh")
        options.geometry = exports::IfcGeometry::Mesh;
    else if (geometry != "exact")
        raise(PyExc_ValueError, "ifc_geometry: expected \"exact\" or \"mesh\", got \"" + geometry + "\"");
    return options;
}

// A validate outcome as a dict and back; what a worker hands to the process that writes the reports.
py::dict outcomeDict(const catalog::PartOutcome& outcome) {
    py::list aspects;
    for (const auto& aspect : outcome.aspects) {
        py::dict item;
        item["name"] = aspect.name;
        item["ok"] = aspect.ok;
        item["error"] = toPython(aspect.error);
        item["failure"] = aspect.failure;
        item["outputs"] = aspect.outputs;
        aspects.append(item);
    }
    py::dict out;
    out["name"] = outcome.name;
    out["partDataBasis"] = outcome.partDataBasis;
    out["aspects"] = aspects;
    out["warnings"] = outcome.warnings;
    return out;
}

catalog::PartOutcome outcomeOf(const py::handle& item) {
    catalog::PartOutcome outcome;
    outcome.name = item["name"].cast<std::string>();
    outcome.partDataBasis = item["partDataBasis"].cast<std::int32_t>();
    for (const py::handle aspect : item["aspects"])
        outcome.aspects.push_back({aspect["name"].cast<std::string>(), aspect["ok"].cast<bool>(),
                                   fromPython(aspect["error"], "error"), aspect["failure"].cast<std::string>(),
                                   aspect["outputs"].cast<std::size_t>()});
    outcome.warnings = item["warnings"].cast<std::vector<std::string>>();
    return outcome;
}

// Process-wide limit on the threads the geometry kernel's parallel loops (meshing) use besides the
// calling thread; null for no limit.
std::unique_ptr<tbb::global_control>& threadLimit() {
    static std::unique_ptr<tbb::global_control> control;
    return control;
}

} // namespace tcv::python
