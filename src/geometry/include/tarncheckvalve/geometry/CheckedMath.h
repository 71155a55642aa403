// Arithmetic the host's run time refuses fails here as it does there: division by zero, the square
// root of a negative number and any result that is no longer a finite number raise a HostError.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "tarncheckvalve/host/Value.h"

namespace tcv::geometry::checked {

// A number as a message shows it: six significant digits.
inline std::string shortNumber(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    return buffer;
}

// Refuses a value that is not a finite number (overflow).
inline double finite(double value) {
    if (!std::isfinite(value)) throw host::HostError(host::kOverflow, "arithmetic overflow");
    return value;
}

inline double divide(double numerator, double denominator) {
    if (denominator == 0.0) throw host::HostError(host::kDivisionByZero, "division by zero");
    return finite(numerator / denominator);
}

inline double squareRoot(double value) {
    if (value < 0.0 || std::isnan(value))
        throw host::HostError(host::kInvalidCall, "square root of a negative number (" + shortNumber(value) + ")");
    return finite(std::sqrt(value));
}

inline double tangent(double angle) { return finite(std::tan(finite(angle))); }
inline double cosine(double angle) { return finite(std::cos(finite(angle))); }
inline double sine(double angle) { return finite(std::sin(finite(angle))); }
inline double arcTangent(double value) { return finite(std::atan(finite(value))); }

inline double arcSine(double value) {
    if (!(value >= -1.0 && value <= 1.0)) throw host::HostError(host::kInvalidCall, "arc sine out of range");
    return std::asin(value);
}

inline double arcCosine(double value) {
    if (!(value >= -1.0 && value <= 1.0)) throw host::HostError(host::kInvalidCall, "arc cosine out of range");
    return std::acos(value);
}

} // namespace tcv::geometry::checked
