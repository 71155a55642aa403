// Port data and the pipe outside diameter. The diameter lookup swallows every failure and keeps the
// value it has so far: a catalogue part with odd data still gets graphics.
#include "tarncheckvalve/ports/basPipePortParameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include <sys/stat.h>

#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/Text.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/host/Diagnostics.h"
#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/ports/OutsideDiameterTable.h"

namespace tcv::ports {

using namespace tcv::base;
using namespace tcv::geometry;

namespace {

constexpr const char* kDataServerVariable = "OLE_SERVER";
constexpr char kPathSeparator = '/';

constexpr std::int32_t kFlanged = 5;
constexpr std::int32_t kPlainOwnDiameter = 10;
constexpr std::int32_t kFemale = 15;
constexpr std::int32_t kMechanical = 20;

// Module state of the calling thread: the host context made on first use, and the full path of the data
// file found by the last existence check.
thread_local host::ContextPtr moduleContext;
thread_local std::string moduleDataFilePath;

// What the lookups of the calling thread's current evaluation found: whether the data file exists and its
// table. `evaluation` 0 is no evaluation: nothing is kept. The table itself is parsed once and shared
// (OutsideDiameterTable.h); this keeps an evaluation from looking at the file again for every port.
struct EvaluationLookups {
    std::uint64_t evaluation = 0;
    std::uint64_t checked = 0; // the evaluation whose data file was checked
    bool dataFileExists = false;
    std::shared_ptr<const OutsideDiameterTable> table;
};
thread_local EvaluationLookups evaluationLookups;
thread_local std::uint64_t evaluationCount = 0;

// Runs one statement of the diameter lookup; a failure is dropped (with a note on the evaluation's
// trail) and the lookup goes on.
void attempt(const std::function<void()>& statement) {
    try {
        statement();
    } catch (...) {
        host::noteRecoveredFailure("pipe outside diameter lookup");
    }
}

host::PortCollectionPtr portsOf(const host::PipingComponentPtr& component) {
    auto ports = component->Ports();
    if (!ports) throw host::HostError(host::kGenericFailure, "the part has no port collection");
    return ports;
}

double numberFrom(const std::string& text) { return host::toDouble(host::Variant(trim(text))); }

std::string textOf(const host::Variant& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (host::isEmpty(value)) return {};
    // A number stands for its decimal text.
    double number = host::toDouble(value);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", number);
    return buffer;
}

const char* factorTypeOf(std::int32_t terminationClass) {
    switch (terminationClass) {
    case kFlanged:
        return "Flanged";
    case kFemale:
        return "Female";
    case kMechanical:
        return "Mechanical";
    default:
        return nullptr;
    }
}

// The nominal size → outside diameter table of the data file; keys in the port's size unit, values
// converted from inches by the host's units service. Rows that cannot be read are left out; of two
// rows with the same size the first one counts.
std::map<double, double> readSizeTable(const OutsideDiameterTable& table, const std::string& sizeUnit) {
    std::map<double, double> sizes;
    const bool inches = sizeUnit == "in";
    auto units = host::runtime().CreateUnitsService();
    for (const OutsideDiameterRow& row : table.rows()) {
        attempt([&] {
            const std::optional<std::string>& size = inches ? row.sizeInInch : row.sizeInMM;
            if (!size) return;
            double key = numberFrom(*size);
            if (!std::isfinite(key)) return;
            double diameter = units->ParseUnit(1, row.diameterInInches + "in");
            sizes.emplace(key, diameter);
        });
    }
    return sizes;
}

double factorFor(const OutsideDiameterTable& table, std::int32_t terminationClass) {
    const char* type = factorTypeOf(terminationClass);
    if (!type) return 0;
    const std::optional<std::string> text = table.factorText(type);
    if (!text) return 0;
    return numberFrom(*text);
}

// The table of the data file the existence check found. A file that cannot be read or parsed reads as
// an empty table, in which no part is listed; why it could not is noted on the evaluation's trail.
std::shared_ptr<const OutsideDiameterTable> dataFileTable() {
    static const auto empty = std::make_shared<const OutsideDiameterTable>();
    std::shared_ptr<const OutsideDiameterTable> table;
    attempt([&] { table = loadOutsideDiameterTable(moduleDataFilePath); });
    if (!table) return empty;
    if (!table->error().empty())
        attempt([&] { throw host::HostError(host::kGenericFailure, "cannot read the data file " + table->error()); });
    return table;
}

template <class Write>
bool findPortAndWrite(std::int16_t portIndex, const host::ObjectPtr& part, Write&& write) {
    auto ports = portsOf(pipingComponent(part));
    std::int16_t count = ports->Count();
    for (std::int16_t position = 1; position <= count; ++position) {
        auto port = ports->Item(position);
        if (port && port->PortIndex() == portIndex) {
            write(*port);
            return true;
        }
    }
    return false;
}

void readPortValues(const host::IPipePort& port, const host::ObjectPtr& part, std::int16_t portIndex, double& pipeOD,
                    double& flangeThickness, double& flangeDiameter, double& cptOffset, double& depth) {
    // The diameter goes by position in the ports collection, as the lookup itself does.
    pipeOD = GetPipeOutsideDiamter(part, portIndex);
    flangeThickness = port.FlangeOrHubThickness();
    flangeDiameter = port.FlangeOrHubOutsideDiameter();
    cptOffset = port.CptOffset();
    depth = port.Depth();
}

void clearFlangedOffset(const host::IPipePort& port, bool flanged, double& cptOffset) {
    if (port.TerminationClass() == kFlanged && flanged) cptOffset = 0;
}

} // namespace

void RetrievePortData(std::int16_t& portIndex, const host::ObjectPtr& part, const host::OutputCollectionPtr&,
                      double& pipeOD, double& flangeThickness, double& flangeDiameter, double& cptOffset, double& depth,
                      bool flanged) {
    findPortAndWrite(portIndex, part, [&](const host::IPipePort& port) {
        readPortValues(port, part, portIndex, pipeOD, flangeThickness, flangeDiameter, cptOffset, depth);
        clearFlangedOffset(port, flanged, cptOffset);
    });
}

void RetrievePortDataEx(std::int16_t& portIndex, const host::ObjectPtr& part, const host::OutputCollectionPtr&,
                        double& pipeOD, double& flangeThickness, double& flangeDiameter, double& cptOffset,
                        double& depth, std::int32_t& attribute, bool flanged) {
    findPortAndWrite(portIndex, part, [&](const host::IPipePort& port) {
        readPortValues(port, part, portIndex, pipeOD, flangeThickness, flangeDiameter, cptOffset, depth);
        attribute = port.Attribute();
        clearFlangedOffset(port, flanged, cptOffset);
    });
}

void RetrievePortData(std::int16_t portIndex, const host::ObjectPtr& part, const host::OutputCollectionPtr& outputColl,
                      PortDataRecord& record) {
    RetrievePortData(portIndex, part, outputColl, record.pipeOD, record.flangeThickness, record.flangeDiameter,
                     record.cptOffset, record.depth, true);
}

double GetPipeOutsideDiamter(const host::ObjectPtr& part, std::int16_t portIndex) {
    double result = 0;
    try {
        auto component = pipingComponent(part);
        // The port at the 1-based position `portIndex`, whatever its own port index.
        auto port = portsOf(component)->Item(portIndex);
        if (!port) return result;

        std::int32_t terminationClass = 0;
        attempt([&] { terminationClass = port->TerminationClass(); });
        if (terminationClass == kPlainOwnDiameter) {
            attempt([&] { result = port->PipingOutsideDiameter(); });
            return result;
        }

        EvaluationLookups& memo = evaluationLookups;
        const bool remembered = memo.evaluation != 0 && memo.checked == memo.evaluation;
        bool dataFileExists = remembered && memo.dataFileExists;
        if (!remembered) attempt([&] { dataFileExists = CheckXMLExists(kOutsideDiameterFileName); });
        if (!dataFileExists) {
            if (memo.evaluation != 0) {
                memo.checked = memo.evaluation;
                memo.dataFileExists = false;
            }
            attempt([&] { result = port->PipingOutsideDiameter(); });
            return result;
        }

        std::shared_ptr<const OutsideDiameterTable> table = remembered ? memo.table : nullptr;
        if (!table) {
            table = dataFileTable();
            if (memo.evaluation != 0) {
                memo.checked = memo.evaluation;
                memo.dataFileExists = true;
                memo.table = table;
            }
        }

        std::optional<std::string> entry;
        attempt([&] { entry = table->entryText(component->PartDataBasis()); });
        if (entry) {
            if (toLower(*entry) == "estimatedpipeodbased") {
                attempt([&] {
                    std::map<double, double> sizeTable = readSizeTable(*table, port->NominalSizeUnits());
                    result = InterpolatePipeOutsideDiameter(sizeTable, port->NominalSize());
                });
            }
            return result;
        }

        attempt([&] { result = port->PipingOutsideDiameter(); });
        if (CmpDblLessThanOrEqualTo(result, 0, kTolerance)) {
            double factor = 0;
            attempt([&] { factor = factorFor(*table, terminationClass); });
            attempt([&] { result = factor * port->FlangeOrHubOutsideDiameter(); });
        }
    } catch (...) {
        // The lookup never raises; the diameter found so far stands.
        host::noteRecoveredFailure("pipe outside diameter lookup");
    }
    return result;
}

void beginPortLookups() {
    evaluationLookups = {};
    evaluationLookups.evaluation = ++evaluationCount;
}

bool CheckXMLExists(const std::string& fileName) {
    if (!moduleContext) {
        try {
            moduleContext = host::runtime().CreateContext();
        } catch (...) {
            moduleContext = nullptr;
        }
    }
    if (!moduleContext) return false;

    std::string directory = textOf(moduleContext->GetVariable(kDataServerVariable));
    moduleDataFilePath = directory + kPathSeparator + "xml" + kPathSeparator + fileName;
    struct stat status {};
    return ::stat(moduleDataFilePath.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

double InterpolatePipeOutsideDiameter(std::map<double, double>& sizeTable, double nominalSize) {
    double result = 0;
    if (!std::isfinite(nominalSize)) return result;
    auto exact = sizeTable.find(nominalSize);
    if (exact != sizeTable.end()) return exact->second;

    std::vector<double> sizes;
    for (const auto& entry : sizeTable) sizes.push_back(entry.first);
    SortCollection(sizes);
    // Fewer than two sizes give no pair to interpolate between.
    if (sizes.size() < 2) return result;

    std::size_t upper = 0;
    if (sizes.front() > nominalSize) {
        upper = 1;
    } else if (sizes.back() < nominalSize) {
        upper = sizes.size() - 1;
    } else {
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            if (sizes[i] > nominalSize) {
                upper = i;
                break;
            }
        }
        if (upper == 0) return result;
    }
    double a = sizes[upper - 1];
    double b = sizes[upper];
    double da = sizeTable.at(a);
    double db = sizeTable.at(b);
    double value = da + (nominalSize - a) * (db - da) / (b - a);
    if (std::isfinite(value)) result = value;
    return result;
}

void SortCollection(std::vector<double>& numbers) {
    std::vector<double> sorted;
    sorted.reserve(numbers.size());
    for (double number : numbers) sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), number), number);
    numbers.swap(sorted);
}

void resetPortModuleState() {
    moduleContext.reset();
    moduleDataFilePath.clear();
    evaluationLookups = {};
}

} // namespace tcv::ports
