// Solid primitives placed through the host's geometry factory. Each routine returns the persistent
// solid; the builder adds it to the output collection under its name.
#pragma once

#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Math.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::geometry {

// The geometry module's error routine: raises the generic failure, the two texts stay behind.
[[noreturn]] TCV_EXPORT void RaiseGeom3dError(const char* moduleText, const char* methodText);

// A capped or open projection of a circle of the diameter, from start to end.
TCV_EXPORT host::GraphicPtr PlaceCylinder(const host::OutputCollectionPtr& outputColl, const host::DPosition& start,
                                          const host::DPosition& end, double diameter, bool capped);
// A cone or frustum; a radius of 0 gives a pointed end.
TCV_EXPORT host::GraphicPtr PlaceCone(const host::OutputCollectionPtr& outputColl, const host::DPosition& baseCentre,
                                      const host::DPosition& topCentre, double baseRadius, double topRadius,
                                      bool capped);
// A torus in the plane through the centre normal to the axis; nullptr (and no error) for an axis
// shorter than 1e-7.
TCV_EXPORT host::GraphicPtr PlaceTorus(const host::OutputCollectionPtr& outputColl, const host::DPosition& centre,
                                       const host::DVector& axis, double ringRadius, double tubeRadius);
TCV_EXPORT host::GraphicPtr PlaceRevolution(const host::OutputCollectionPtr& outputColl, const host::CurvePtr& profile,
                                            const host::DVector& axis, const host::DPosition& centre, double sweepAngle,
                                            bool capped);
TCV_EXPORT host::GraphicPtr PlaceProjection(const host::OutputCollectionPtr& outputColl, const host::CurvePtr& profile,
                                            const host::DVector& direction, double length, bool capped);
// A regular prism along +X from x = 0 to x = length.
TCV_EXPORT host::GraphicPtr PlaceNSidedPrism(const host::OutputCollectionPtr& outputColl, int sides, double sideLength,
                                             double length, bool capped);
// A vector perpendicular to (x, y, z), not normalised.
TCV_EXPORT host::DVector GetPerpendicularVector(double x, double y, double z);

} // namespace tcv::geometry
