// Shared pieces of the fuzz targets: a byte reader that turns fuzz input into choices, and the decoding
// of a byte string into a catalogue part whose values lean towards the cases that break geometry
// (zero, negative, huge, not-a-number, infinite and denormal dimensions; missing, duplicated and
// oddly numbered ports; absent or unusable operators).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/refhost/Evaluator.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv::fuzz {

// Reads fuzz bytes front to back; past the end every read gives zero, which decodes to the most
// ordinary choice, so that short inputs describe ordinary parts.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::uint64_t u64() {
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i) value |= static_cast<std::uint64_t>(byte()) << (8 * i);
        return value;
    }
    // A number in [0, 1].
    double unit() { return u16() / 65535.0; }
    double rawDouble() {
        std::uint64_t bits = u64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // The bytes not read yet.
    std::string rest() {
        std::string text(reinterpret_cast<const char*>(data_) + std::min(position_, size_),
                         size_ - std::min(position_, size_));
        position_ = size_;
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

inline std::int32_t decodePartDataBasis(ByteReader& in) {
    const std::uint8_t choice = in.byte();
    static const std::vector<std::int32_t> served = tcv::symbol::servedPartDataBases();
    if (choice < 4 * served.size()) return served[choice % served.size()];
    switch (choice % 4) {
    case 0:
        return -static_cast<std::int32_t>(in.u16()); // at most 1: a default body
    case 1:
        return 2000 + in.byte() * 8; // near the served numbers
    default:
        return static_cast<std::int32_t>(in.u64());
    }
}

// A dimension decoded from one choice byte (and more bytes for some choices). Choices 0..5 are "the
// ordinary value": nullopt for an input (the definition's default), `typical` for a port value.
inline std::optional<double> decodeDimension(ByteReader& in, double typical) {
    const std::uint8_t choice = in.byte() % 16;
    switch (choice) {
    case 6:
        return 0.0;
    case 7:
    case 8:
        return typical * (0.05 + 4 * in.unit());
    case 9:
        return 1e-9 * (1 + in.unit());
    case 10:
        return -typical * (0.05 + 4 * in.unit());
    case 11: {
        static const double huge[] = {1e3, 1e6, 1e12, 1e100, 1e300, std::numeric_limits<double>::max()};
        return huge[in.byte() % 6] * (in.byte() & 1 ? -1 : 1);
    }
    case 12:
        return std::numeric_limits<double>::quiet_NaN();
    case 13:
        return (in.byte() & 1 ? -1 : 1) * std::numeric_limits<double>::infinity();
    case 14: {
        static const double tiny[] = {std::numeric_limits<double>::denorm_min(),
                                      -std::numeric_limits<double>::denorm_min(),
                                      std::numeric_limits<double>::min() / 2, 1e-300};
        return tiny[in.byte() % 4];
    }
    case 15:
        return in.rawDouble();
    default:
        return std::nullopt;
    }
}

inline double decodePortValue(ByteReader& in, double typical) { return decodeDimension(in, typical).value_or(typical); }

// One port; `position` is its 1-based place among the part's ports.
inline refhost::PortSpec decodePort(ByteReader& in, std::int16_t position) {
    refhost::PortSpec port;
    const std::uint8_t indexChoice = in.byte() % 16;
    if (indexChoice < 10)
        port.index = position;
    else if (indexChoice < 13)
        port.index = static_cast<std::int16_t>(1 + in.byte() % 6); // likely a duplicate or a gap
    else if (indexChoice == 13)
        port.index = 0;
    else
        port.index = static_cast<std::int16_t>(in.u16());

    static const std::int32_t classes[] = {5, 5, 10, 15, 20, 5, 0, 7};
    const std::uint8_t classChoice = in.byte();
    port.terminationClass = classChoice < 240 ? classes[classChoice % 8] : static_cast<std::int32_t>(in.u64());
    port.endType = port.terminationClass;
    port.pipeOD = decodePortValue(in, 0.1143);
    port.flangeOD = decodePortValue(in, 0.2286);
    port.flangeThickness = decodePortValue(in, 0.0239);
    port.cptOffset = in.byte() % 4 == 3 ? decodePortValue(in, 0.002) : 0;
    port.depth = in.byte() % 4 == 3 ? decodePortValue(in, 0.02) : 0;
    port.length = decodePortValue(in, 0.0239);
    port.npd = decodePortValue(in, 4);
    static const char* units[] = {"in", "mm", "IN", ""};
    port.npdUnit = units[in.byte() % 4];
    return port;
}

// A part: PartDataBasis, the 34 inputs, the ports and an optional valve operator.
inline refhost::CatalogPart decodePart(ByteReader& in) {
    refhost::CatalogPart part;
    part.name = "fuzz";
    part.partDataBasis = decodePartDataBasis(in);
    for (const auto& name : refhost::inputNames())
        if (auto value = decodeDimension(in, name == "HandwheelAngle" ? 0.5 : 0.3)) part.inputs[name] = *value;

    // Two ports when nothing says otherwise; up to six, or none.
    const std::uint8_t portChoice = in.byte() % 16;
    const int portCount = portChoice < 8 ? 2 : portChoice - 8; // 0..7
    for (int i = 0; i < portCount; ++i) part.ports.push_back(decodePort(in, static_cast<std::int16_t>(i + 1)));

    const std::uint8_t operatorChoice = in.byte() % 8;
    if (operatorChoice >= 5) {
        refhost::OperatorSpec valveOperator;
        valveOperator.symbolMissing = operatorChoice == 7;
        const int inputCount = in.byte() % 4;
        static const char* names[] = {"OffsetFrmValCen", "HandwheelDiameter", "OperatorHeight", "OffsetFrmValCen"};
        for (int i = 0; i < inputCount; ++i)
            valveOperator.inputs.emplace_back(names[in.byte() % 4], decodePortValue(in, 0.2));
        part.valveOperator = valveOperator;
    }
    static const std::int32_t sources[] = {5, 10, 5, 0};
    part.operatorSourceCode = sources[in.byte() % 4];
    return part;
}

// Stops the fuzzer with a message: the input broke one of the host's promises.
[[noreturn]] inline void violated(const std::string& promise) {
    std::fprintf(stderr, "promise broken: %s\n", promise.c_str());
    std::abort();
}

// An evaluation either succeeds or fails with the generic failure code, and nothing but a host error
// leaves the symbol.
inline void checkOutcome(const refhost::AspectResult& result) {
    if (result.ok) return;
    if (!result.errorCode) violated(result.aspect + " failed without an error code");
    if (*result.errorCode != host::kGenericFailure)
        violated(result.aspect + " failed with code " + std::to_string(*result.errorCode) +
                 " instead of the generic failure");
}

} // namespace tcv::fuzz
