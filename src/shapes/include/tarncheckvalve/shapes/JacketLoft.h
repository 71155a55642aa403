// The lofted jacket of the six-port body: a circular section near the inlet, a D-shaped section near
// the outlet (flat top, straight sides, half-elliptical bottom) and four guide lines between them. The
// bare body and its insulation envelope share it; the envelope grows the outlet section by the
// insulation thickness.
#pragma once

#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::shapes {

struct JacketLoftShape {
    // Inlet section: a circle in the plane x = inletX, centred at (inletX, inletCentreY, 0).
    double inletX = 0;
    double inletCentreY = 0;
    double inletRadius = 0;
    // Outlet section in the plane x = outletX: top at y = A + T, half-width E/2 + T, bottom depth
    // B + T below the axis (T = 0 for the bare body).
    double outletX = 0;
    double A = 0;
    double B = 0;
    double E = 0;
    double T = 0;
};

// Builds the sections and guides, lofts them (capped) through the host and adds every surface the
// host made, in its order, under `surfaceName`; then empties the guide and section collections.
TCV_EXPORT void addJacketLoft(const host::OutputCollectionPtr& outputColl, const JacketLoftShape& shape,
                              const char* surfaceName);

} // namespace tcv::shapes
