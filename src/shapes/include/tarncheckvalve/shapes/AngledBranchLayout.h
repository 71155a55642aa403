// The angled branch of the straight-bore check valves: its diameter, shared by the bare branch and
// its insulation envelope.
#pragma once

#include <cstdint>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::shapes {

// Where the branch sits and how far the faces are from the centre: 385 gives the face-to-face length
// (the branch root then sits a quarter of it towards port 1), 386 one face-to-centre distance for
// both faces, 387 one for each; all give the branch length.
struct AngledBranchLayout {
    double A = 0;      // face-to-centre distance of port 1
    double B = 0;      // face-to-centre distance of port 2
    double rootX = 0;  // branch root on the flow axis
    double length = 0; // branch length
};
TCV_EXPORT AngledBranchLayout readAngledBranchLayout(const host::VariantArray& arrayofinputs,
                                                     std::int32_t partDataBasis);

// The branch at angle theta to the flow axis is as wide as the bore's cut at that angle, d / cos(theta),
// unless that would reach past the port-1 face (2A / sin(theta)) or past the bore's far side towards
// port 2 (2R cos(phi + theta), R and phi the distance and angle from the branch root to the edge of
// the port-2 face): then it is 95% of the smaller limit. B = 0 is a division by zero.
TCV_EXPORT double angledBranchDiameter(double d, double A, double B, double theta);

} // namespace tcv::shapes
