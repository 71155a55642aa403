// Constants the constructions share.
#pragma once

#include <numbers>

namespace tcv::base {

// A half turn in radians; a full revolution is 2 * kPi.
inline constexpr double kPi = std::numbers::pi;

} // namespace tcv::base
