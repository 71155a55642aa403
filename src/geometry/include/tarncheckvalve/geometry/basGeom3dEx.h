// Boxes from two opposite corners and the transient profile curves (chained complex strings and
// clamped uniform B-splines) that builders revolve or project.
#pragma once

#include <vector>

#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::geometry {

// A box placed as an occurrence of the host's box symbol "Box.BoxServices".
TCV_EXPORT host::ObjectPtr PlaceBox(const host::OutputCollectionPtr& outputColl, const host::DPosition& firstCorner,
                                    const host::DPosition& secondCorner);
// A box as a rectangle in the plane x = x1 projected along X.
TCV_EXPORT host::GraphicPtr CreateBoxWithProjection(const host::OutputCollectionPtr& outputColl,
                                                    const host::DPosition& firstCorner,
                                                    const host::DPosition& secondCorner);
// Chains the curves of the collection end to start from `start`, which is left at the end of the
// chain; stops at the first curve whose ends coincide within 1e-7.
TCV_EXPORT host::CurvePtr PlaceTrCString(host::DPosition& start, const host::CollectionPtr& curves);
// A clamped uniform B-spline through the points' control polygon; nullptr for fewer than 4 points.
// An order out of range (below 2, above the point count, 33 or more) is rewritten to 4.
TCV_EXPORT host::CurvePtr PlaceTrBspline(int& order, const std::vector<host::DPosition>& points);

} // namespace tcv::geometry
