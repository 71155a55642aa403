#include "tarncheckvalve/catalog/Warnings.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/ports/OutsideDiameterTable.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv::catalog {

using namespace tcv::refhost;

namespace {

// Numbers as the symbol's own messages show them: six significant digits.
std::string number(double value) { return geometry::checked::shortNumber(value); }

const symbol::InputDescriptor* inputDescriptor(const std::string& name) {
    static const std::vector<symbol::InputDescriptor> table = symbol::CCheckValve().inputTable();
    auto found = std::find_if(table.begin(), table.end(), [&](const auto& d) { return d.name == name; });
    return found == table.end() ? nullptr : &*found;
}

// The tabled outside diameter of an exact nominal size, or 0 when the table does not list it.
double tabledOutsideDiameter(const ports::OutsideDiameterTable& table, const PortSpec& port) {
    const auto& sizes = table.diametersBySize(port.npdUnit);
    for (const auto& [size, od] : sizes)
        if (std::fabs(size - port.npd) <= 1e-9 * std::max(1.0, size)) return od;
    return 0;
}

constexpr std::int32_t kFlanged = 5;

} // namespace

std::vector<std::string> readWarnings(const PartReport& report, const HostOptions& options) {
    std::vector<std::string> warnings;
    const std::string basis = "PartDataBasis " + std::to_string(report.part.partDataBasis);
    std::vector<std::string> aspects;
    std::set<std::string> read;
    std::vector<std::string> absent; // inputs read but not given, in the order first read
    bool complete = !report.aspects.empty();
    for (const auto& aspect : report.aspects) {
        aspects.push_back(aspect.aspect);
        complete = complete && aspect.ok;
        for (const auto& [name, value] : aspect.reads)
            if (read.insert(name).second && inputDescriptor(name) && !report.part.inputs.count(name))
                absent.push_back(name);
    }
    // Every variant's common steps read some inputs whether or not its builder uses them: an absent
    // input counts only when another value of it changes what the symbol does (recorded, no kernel).
    if (!absent.empty()) {
        HostOptions recordOnly = options;
        recordOnly.kernel.reset();
        // What the symbol made and whether it succeeded; not the error's record of the values read.
        auto fingerprint = [&](const CatalogPart& part) {
            std::string text;
            for (const auto& aspect : evaluatePart(part, aspects, recordOnly).aspects) {
                text += aspect.ok ? "ok" : "failed";
                for (const auto& output : aspect.outputs->outputs()) text += outputJson(output).dump();
            }
            return text;
        };
        const std::string base = fingerprint(report.part);
        for (const auto& name : absent) {
            const double value = inputDescriptor(name)->defaultValue;
            CatalogPart changed = report.part;
            changed.inputs[name] = value * 1.37 + 0.0123;
            if (fingerprint(changed) != base)
                warnings.push_back("input " + name + " is read by " + basis + " but the part does not give it (" +
                                   number(value) + " was used)");
        }
    }
    // An evaluation that stopped early read less than its variant would: no verdict on unread inputs.
    if (!complete) return warnings;
    for (const auto& [name, value] : report.part.inputs)
        if (!read.count(name))
            warnings.push_back("input " + name + " is given but " + basis +
                               " never reads it (is the PartDataBasis right?)");
    return warnings;
}

std::vector<std::string> physicalWarnings(const CatalogPart& part, const std::string& dataDirectory) {
    std::vector<std::string> warnings;
    for (const char* name : {"FacetoFace", "ValveFacetoFace", "EndtoEnd"}) {
        auto given = part.inputs.find(name);
        if (given != part.inputs.end() && given->second <= 0)
            warnings.push_back(std::string("input ") + name + " is " + number(given->second) +
                               " m: a face-to-face must be above zero");
    }
    // The table the symbol's diameter lookup reads; none without a data file.
    static const ports::OutsideDiameterTable noTable;
    const auto loaded = ports::loadOutsideDiameterTable(ports::outsideDiameterFilePath(dataDirectory));
    const ports::OutsideDiameterTable& table = loaded ? *loaded : noTable;
    if (!table.error().empty())
        warnings.push_back("the pipe outside-diameter data file cannot be read (" + table.error() +
                           "): no port is checked against its diameters");
    for (const auto& port : part.ports) {
        const std::string id = "port " + std::to_string(port.index);
        if (port.terminationClass == kFlanged && port.pipeOD > 0 && port.flangeOD <= port.pipeOD)
            warnings.push_back(id + " is flanged but its flange OD (" + number(port.flangeOD) +
                               " m) is not above its pipe OD (" + number(port.pipeOD) + " m)");
        const double tabled = port.npd > 0 ? tabledOutsideDiameter(table, port) : 0;
        if (tabled > 0 && port.pipeOD > 0 && std::fabs(port.pipeOD - tabled) > 0.1 * tabled)
            warnings.push_back(id + " pipe OD " + number(port.pipeOD) + " m is more than 10% off " + number(tabled) +
                               " m, the outside diameter of nominal size " + number(port.npd) + " " + port.npdUnit);
    }
    return warnings;
}

std::vector<std::string> partWarnings(const PartReport& report, const HostOptions& options) {
    std::vector<std::string> warnings = readWarnings(report, options);
    for (const auto& warning : report.warnings)
        if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end()) warnings.push_back(warning);
    return warnings;
}

} // namespace tcv::catalog
