// Release of arrays of points.
#pragma once

#include <vector>

#include "tarncheckvalve/host/Math.h"

namespace tcv::geometry {

// Releases every point of the array and leaves it with no elements.
void EraseArrayDPosition(std::vector<host::DPosition>& points);

} // namespace tcv::geometry
