#include "tarncheckvalve/catalog/FailureHints.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "tarncheckvalve/contract/Contract.h"

namespace tcv::catalog {

namespace {

using Reads = std::vector<std::pair<std::string, host::Variant>>;

std::optional<double> numberOf(const host::Variant& value) {
    if (const auto* d = std::get_if<double>(&value)) return *d;
    if (const auto* i = std::get_if<std::int32_t>(&value)) return *i;
    if (const auto* s = std::get_if<std::int16_t>(&value)) return *s;
    return std::nullopt;
}

std::string metres(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g m", value);
    return text;
}

// Sizes: every length input but the offsets (which may lie either side), and the ports' diameters and
// thicknesses.
bool isSize(const std::string& name) {
    const auto dot = name.find('.');
    if (dot != std::string::npos) {
        const std::string field = name.substr(dot + 1);
        return field == "pipeOD" || field == "flangeOD" || field == "flangeThickness";
    }
    return !contract::isAngleInput(name) && name.find("Offset") == std::string::npos;
}

// The wafer with flat-sided end discs (2256): the flats lie at D/2 either side of the axis, D the
// Height or, when it is 0, 0.9 x the flange diameter; their width W = 2 sqrt((F/2)^2 - (D/2)^2) needs
// D < F, and the web between them, 0.4 W wide, must fit in the pipe.
std::string flatSidedWafer(const std::map<std::string, double>& values) {
    const auto at = [&](const char* name) {
        const auto found = values.find(name);
        return found == values.end() ? 0.0 : found->second;
    };
    const double height = at("Height"), flange = at("port1.flangeOD"), pipe = at("port1.pipeOD");
    if (flange <= 0) return "";
    const double across = height != 0 ? height : 0.9 * flange;
    if (height != 0 && std::abs(height) >= flange)
        return "Height " + metres(height) + " is not less than the flange outside diameter " + metres(flange) +
               " (port1.flangeOD): the flats across the end discs would lie outside them; make Height smaller than "
               "port1.flangeOD, or 0 for its default (0.9 x port1.flangeOD)";
    const double width = 2 * std::sqrt(flange * flange / 4 - across * across / 4);
    if (0.4 * width > pipe && pipe > 0)
        return "the web, 0.4 x the width of the flats (" + metres(0.4 * width) +
               "), is wider than the pipe outside "
               "diameter " +
               metres(pipe) + " (port1.pipeOD); make Height larger (closer to port1.flangeOD " + metres(flange) +
               ") or the flange smaller";
    return "";
}

} // namespace

std::string failureHint(int partDataBasis, const Reads& reads) {
    std::map<std::string, double> values;
    for (const auto& [name, value] : reads)
        if (const auto number = numberOf(value)) values.emplace(name, *number);

    if (partDataBasis == 2256)
        if (std::string hint = flatSidedWafer(values); !hint.empty()) return hint;

    // A face-to-face length or a pipe diameter of 0: no variant draws a body or a port without one.
    std::string zero;
    for (const auto& [name, value] : reads) {
        const auto number = numberOf(value);
        const bool needed =
            name == "FacetoFace" || (name.rfind("port", 0) == 0 && name.find(".pipeOD") != std::string::npos);
        if (!number || *number != 0 || !needed) continue;
        zero += (zero.empty() ? "" : ", ") + name;
    }
    if (!zero.empty())
        return zero + (zero.find(',') == std::string::npos ? " is" : " are") +
               " 0 (or not given): the body needs its face-to-face length and each port its pipe's outside diameter";

    std::string negative;
    for (const auto& [name, value] : reads) {
        const auto number = numberOf(value);
        if (!number || *number >= 0 || !isSize(name)) continue;
        negative += (negative.empty() ? "" : ", ") + name + " " + metres(*number);
    }
    if (!negative.empty())
        return "sizes below zero: " + negative +
               "; a size cannot be drawn below zero: give a positive value, or 0 "
               "where the variant has a default";
    return "";
}

} // namespace tcv::catalog
