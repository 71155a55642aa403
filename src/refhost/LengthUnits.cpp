// The units service: reads a number with a unit ("3.5in", "88.9 mm", "0.1143m", "1.5ft") as a length in
// metres. A plain number is taken as metres.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "tarncheckvalve/host/Units.h"
#include "tarncheckvalve/refhost/LengthUnits.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::refhost {

namespace {

constexpr std::int32_t kLengthUnitType = 1;

struct LengthUnit {
    const char* name;
    double metres;
};

constexpr LengthUnit kLengthUnits[] = {
    {"", 1.0},
    {"m", 1.0},
    {"mm", host::kMetresPerMillimetre},
    {"cm", host::kMetresPerCentimetre},
    {"in", host::kMetresPerInch},
    {"ft", host::kMetresPerFoot},
};

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

class RefUnitsService : public host::IUnitsService {
public:
    double ParseUnit(std::int32_t unitType, const std::string& text) const override {
        if (unitType != kLengthUnitType)
            throw host::HostError(host::kGenericFailure, "unit type " + std::to_string(unitType) + " is not a length");
        double number = 0;
        std::string unit;
        if (!readNumberWithUnit(text, number, unit)) throw unreadable(text);
        for (const auto& candidate : kLengthUnits) {
            if (unit == candidate.name) {
                double metres = number * candidate.metres;
                if (!std::isfinite(metres)) throw unreadable(text);
                return metres;
            }
        }
        throw unreadable(text);
    }

private:
    static host::HostError unreadable(const std::string& text) {
        return host::HostError(host::kTypeMismatch, "cannot read '" + text + "' as a length");
    }
};

} // namespace

bool readNumberWithUnit(const std::string& text, double& number, std::string& unit) {
    const char* cursor = text.data();
    const char* end = text.data() + text.size();
    while (cursor != end && isBlank(*cursor)) ++cursor;
    if (cursor != end && *cursor == '+') ++cursor;
    auto [numberEnd, error] = std::from_chars(cursor, end, number);
    if (error != std::errc() || !std::isfinite(number)) return false;
    unit.assign(numberEnd, end);
    unit.erase(std::remove_if(unit.begin(), unit.end(), isBlank), unit.end());
    std::transform(unit.begin(), unit.end(), unit.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return true;
}

host::UnitsServicePtr makeUnitsService() { return std::make_shared<RefUnitsService>(); }

double nominalSizeAsLength(const PortSpec& port) {
    if (port.npdUnit == "in") return port.npd * host::kMetresPerInch;
    if (port.npdUnit == "mm") return port.npd * host::kMetresPerMillimetre;
    return 0;
}

} // namespace tcv::refhost
