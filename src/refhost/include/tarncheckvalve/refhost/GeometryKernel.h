// The geometry kernel as the host objects see it: every persistent shape the host hands on is made
// here, from defining values the host has already checked. A host without a kernel records every
// creation and builds no shapes (the record-only mode).
#pragma once

#include <vector>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Curves.h"
#include "tarncheckvalve/refhost/Shape.h"
#include "tarncheckvalve/refhost/SweepPlan.h"
#include "tarncheckvalve/refhost/Vec3.h"

namespace tcv::refhost {

// A profile or section handed to a ruled surface: a curve or a plane's boundary.
struct RuledEnd {
    const RefCurve* curve = nullptr;
    const RefPlane* plane = nullptr;
    bool closed() const { return plane || curve->isClosed(); }
};

// Each construction runs under the kernel's guard: a kernel failure, or a shape that fails the checks
// its construction needs, leaves as a host error naming the construction. Unit vectors are unit.
class TCV_EXPORT GeometryKernel {
public:
    virtual ~GeometryKernel() = default;

    // The wire of a curve; a curve whose ends meet gives a closed wire.
    virtual ShapePtr curveWire(const RefCurve& curve) const = 0;
    // The planar face bounded by the closed polygon through the corners.
    virtual ShapePtr planeFace(const std::vector<Vec3>& corners) const = 0;

    // A negative length projects against the direction.
    virtual ShapePtr projection(const RefCurve& profile, const Vec3& direction, double length, bool capped) const = 0;
    // The angle is clamped to one full turn.
    virtual ShapePtr revolution(const RefCurve& profile, const Vec3& axis, const Vec3& centre, double angle,
                                bool capped) const = 0;
    virtual ShapePtr cone(const Vec3& baseCentre, const Vec3& topCentre, double baseRadius, double topRadius,
                          const Vec3& towardsStart, bool capped) const = 0;
    virtual ShapePtr torus(const Vec3& centre, const Vec3& axis, const Vec3& majorDirection, double ringRadius,
                           double tubeRadius, bool capped) const = 0;
    virtual ShapePtr ruledSurface(const RuledEnd& first, const RuledEnd& second, bool capped) const = 0;
    virtual ShapePtr sweepPiece(const SweepPiece& piece, const RefCurve& path, const RefCurve& section) const = 0;
    // A loft through the sections that follows the guides; a closed solid where capped.
    virtual ShapePtr skin(const std::vector<const RefCurve*>& guides, const std::vector<const RefCurve*>& sections,
                          bool capped) const = 0;

    // The box symbol's solid between its lowest and highest corner.
    virtual ShapePtr box(const Vec3& low, const Vec3& high) const = 0;
    // A nozzle's port graphics: a solid cylinder from its base along the unit axis.
    virtual ShapePtr portCylinder(const Vec3& base, const Vec3& axis, double radius, double length) const = 0;
    // The valve operator's picture: a stem of the given height up the unit axis (none where 0) and a
    // handwheel ring at its top.
    virtual ShapePtr operatorPicture(const Vec3& base, const Vec3& up, double stemRadius, double stemHeight,
                                     double wheelRadius, double rimRadius) const = 0;
};

} // namespace tcv::refhost
