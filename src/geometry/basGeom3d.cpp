#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/base/Constants.h"

#include <cmath>
#include <vector>

#include "ErrorTrap.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/host/Diagnostics.h"
#include "tarncheckvalve/host/Runtime.h"

namespace tcv::geometry {

using namespace tcv::base;

using host::DPosition;
using host::DT4x4;
using host::DVector;

void RaiseGeom3dError(const char* /*moduleText*/, const char* methodText) {
    // The host sees only the generic failure code; the reason goes on the evaluation's trail.
    std::string where = methodText;
    if (!where.empty() && where.back() == ':') where.pop_back();
    host::noteTrappedFailure(where);
    host::raiseInPlace(host::HostError(host::kGenericFailure));
}

host::GraphicPtr PlaceCylinder(const host::OutputCollectionPtr& outputColl, const DPosition& start,
                               const DPosition& end, double diameter, bool capped) {
    return geom3dTrap("PlaceCylinder:", [&] {
        auto factory = host::runtime().CreateGeometryFactory();
        DVector axis = end.subtract(start);
        double length = axis.length();
        if (length == 0) throw host::HostError(host::kGenericFailure, "zero-length cylinder axis");
        axis.setLength(1.0);
        auto circle = factory->CreateCircle(nullptr, start, axis, diameter / 2);
        return factory->CreateProjection(outputColl->ResourceManager(), circle, axis, length, capped);
    });
}

host::GraphicPtr PlaceCone(const host::OutputCollectionPtr& outputColl, const DPosition& baseCentre,
                           const DPosition& topCentre, double baseRadius, double topRadius, bool capped) {
    return geom3dTrap("PlaceCone:", [&] {
        auto factory = host::runtime().CreateGeometryFactory();
        DVector axis = topCentre.subtract(baseCentre);
        if (axis.length() == 0) throw host::HostError(host::kGenericFailure, "zero-length cone axis");
        // The base point is found along a perpendicular scaled to the base radius, the top point along the
        // same one rescaled: a base radius of 0 leaves nothing to rescale.
        if (baseRadius == 0) throw host::HostError(host::kGenericFailure, "cone base radius of 0");
        DVector perpendicular = GetPerpendicularVector(axis.x(), axis.y(), axis.z());
        perpendicular.setLength(baseRadius);
        DPosition onBase = baseCentre.offset(perpendicular);
        perpendicular.setLength(topRadius);
        DPosition onTop = topCentre.offset(perpendicular);
        return factory->CreateCone(outputColl->ResourceManager(), baseCentre, topCentre, onBase, onTop, capped);
    });
}

DVector GetPerpendicularVector(double x, double y, double z) {
    DVector v(x, y, z);
    DVector reference;
    if (std::fabs(z) <= std::fabs(y) + kTolerance && std::fabs(z) <= std::fabs(x) + kTolerance)
        reference.set(0, 0, 1);
    else if (std::fabs(x) <= std::fabs(y) + kTolerance)
        reference.set(1, 0, 0);
    else
        reference.set(0, 1, 0);
    return v.cross(reference);
}

host::GraphicPtr PlaceTorus(const host::OutputCollectionPtr& outputColl, const DPosition& centre, const DVector& axis,
                            double ringRadius, double tubeRadius) {
    return geom3dTrap("PlaceTorus:", [&]() -> host::GraphicPtr {
        if (axis.length() < kTolerance) return nullptr;
        auto factory = host::runtime().CreateGeometryFactory();
        DVector toStart = GetPerpendicularVector(axis.x(), axis.y(), axis.z());
        toStart.setLength(1.0);
        return factory->CreateTorus(outputColl->ResourceManager(), centre, axis, toStart, ringRadius, tubeRadius, true);
    });
}

host::GraphicPtr PlaceRevolution(const host::OutputCollectionPtr& outputColl, const host::CurvePtr& profile,
                                 const DVector& axis, const DPosition& centre, double sweepAngle, bool capped) {
    return geom3dTrap("PlaceRevolution:", [&] {
        auto factory = host::runtime().CreateGeometryFactory();
        return factory->CreateRevolution(outputColl->ResourceManager(), profile, axis, centre, sweepAngle, capped);
    });
}

host::GraphicPtr PlaceProjection(const host::OutputCollectionPtr& outputColl, const host::CurvePtr& profile,
                                 const DVector& direction, double length, bool capped) {
    return geom3dTrap("PlaceProjection:", [&] {
        auto factory = host::runtime().CreateGeometryFactory();
        return factory->CreateProjection(outputColl->ResourceManager(), profile, direction, length, capped);
    });
}

host::GraphicPtr PlaceNSidedPrism(const host::OutputCollectionPtr& outputColl, int sides, double sideLength,
                                  double length, bool capped) {
    // No trap of its own: a failure passes to the caller unchanged.
    const double step = checked::divide(2 * kPi, sides);
    const double apothem = checked::divide(sideLength, 2 * checked::tangent(step / 2));
    DPosition vertex(0, apothem, sideLength / 2);
    DT4x4 rotation;
    rotation.rotate(step, DVector(1, 0, 0));
    std::vector<double> coordinates;
    for (int i = 0; i < sides + 1; ++i) {
        coordinates.insert(coordinates.end(), {vertex.x(), vertex.y(), vertex.z()});
        vertex = rotation.transformPosition(vertex);
    }
    auto factory = host::runtime().CreateGeometryFactory();
    auto profile = factory->CreateLineString(nullptr, sides + 1, coordinates);
    return factory->CreateProjection(outputColl->ResourceManager(), profile, DVector(1, 0, 0), length, capped);
}

} // namespace tcv::geometry
