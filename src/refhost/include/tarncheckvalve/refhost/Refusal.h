// How the reference host refuses a construction it cannot make, and the extent of space it models.
#pragma once

#include <cmath>
#include <string>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::refhost {

// A host error for a construction the host refuses: "<what>: <why>".
[[noreturn]] TCV_EXPORT void refuse(const std::string& what, const std::string& why);

// The host models within this distance of the origin, in metres. Beyond it the kernel can no longer
// resolve its own tolerance and makes shapes that fail its check (a cylinder of radius 1e9 m already
// does), so a coordinate or length beyond it is refused like a number that is not finite.
inline constexpr double kModelExtent = 1e6;

// True for a finite number within the model extent.
inline bool withinModel(double value) { return std::fabs(value) <= kModelExtent; }

} // namespace tcv::refhost
