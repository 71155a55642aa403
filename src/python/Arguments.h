// What the module reads from its Python arguments, and the folders it finds its data and viewer in.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <oneapi/tbb/global_control.h>
#include <pybind11/pybind11.h>

#include "tarncheckvalve/catalog/ValidateReport.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/RefRuntime.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::python {

namespace py = pybind11;

// The aspects evaluated unless told otherwise, in order.
extern const std::vector<std::string> kAspects;
// The limits of evaluate() unless told otherwise, as the command line's.
inline constexpr double kDefaultTimeLimitSeconds = 30;

// The data folder (pipe outside diameters, sample catalogue): TCV_DATA_DIR when set, else share/ of the
// prefix the module is installed in, else the source tree of the build tree it was built in.
const std::string& dataDirectory();
// The gallery's browser viewer: TCV_VIEWER_DIR when set, else share/ of the prefix, else the source tree.
const std::string& viewerDirectory();
refhost::HostOptions hostOptions();

// Raises the Python exception `type` with the message.
[[noreturn]] void raise(PyObject* type, const std::string& message);

py::list partList(const std::vector<refhost::CatalogPart>& parts);
std::vector<std::string> readAspects(py::handle aspects);
// The part a dict describes, read as the catalogue reads a part; malformed parts raise ValueError with
// the catalogue's message, which names the field.
refhost::CatalogPart readPart(const py::dict& part);
refhost::WorkLimits readLimits(double timeLimit, long long triangleLimit);
// The parts of a catalogue file, as the command line reads them: ValueError for a bad file.
std::vector<refhost::CatalogPart> readCatalog(const std::string& path);
exports::IfcOptions ifcOptions(const std::string& geometry);

// A validate outcome as a dict and back; what a worker hands to the process that writes the reports.
py::dict outcomeDict(const catalog::PartOutcome& outcome);
catalog::PartOutcome outcomeOf(const py::handle& item);

// Process-wide limit on the threads the geometry kernel's parallel loops (meshing) use besides the
// calling thread; null for no limit.
std::unique_ptr<tbb::global_control>& threadLimit();

} // namespace tcv::python
