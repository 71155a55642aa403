// The kernel constructions behind the geometry factory's persistent creations. Each takes checked,
// finite defining values, runs under the kernel guard of its caller, and returns a shape that passed
// the checks its construction needs (see ShapeCheck): primitives and the host's own constructions are
// valid by making; general kernel algorithms are checked by the kernel.
#pragma once

#include <optional>
#include <vector>

#include <Geom_BSplineCurve.hxx>
#include <TopoDS_Shape.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_XYZ.hxx>

#include "tarncheckvalve/refhost/Curves.h"
#include "tarncheckvalve/refhost/GeometryKernel.h"

namespace tcv::kernel {

// The kernel's coordinates of a host point or vector.
inline gp_XYZ xyz(const refhost::Vec3& v) { return {v.X(), v.Y(), v.Z()}; }
inline refhost::Vec3 vec3(const gp_XYZ& v) { return {v.X(), v.Y(), v.Z()}; }
inline std::vector<gp_XYZ> xyz(const std::vector<refhost::Vec3>& points) {
    std::vector<gp_XYZ> result;
    result.reserve(points.size());
    for (const auto& p : points) result.push_back(xyz(p));
    return result;
}

// The wire of a curve (call under the guard). A curve whose ends meet gives a closed wire.
TopoDS_Wire curveWire(const refhost::RefCurve& curve);

// `direction` is a unit vector; a negative length projects the other way.
TopoDS_Shape buildProjection(const refhost::RefCurve& profile, const gp_XYZ& direction, double length, bool capped);
// `axis` is a unit vector; the angle is clamped to one full turn.
TopoDS_Shape buildRevolution(const refhost::RefCurve& profile, const gp_XYZ& axis, const gp_XYZ& centre, double angle,
                             bool capped);
TopoDS_Shape buildCone(const gp_XYZ& baseCentre, const gp_XYZ& topCentre, double baseRadius, double topRadius,
                       const gp_XYZ& towardsStart, bool capped);
TopoDS_Shape buildTorus(const gp_XYZ& centre, const gp_XYZ& axis, const gp_XYZ& majorDirection, double ringRadius,
                        double tubeRadius, bool capped);
TopoDS_Shape buildRuledSurface(const refhost::RuledEnd& first, const refhost::RuledEnd& second, bool capped);
TopoDS_Shape buildSweepPiece(const refhost::SweepPiece& piece, const refhost::RefCurve& path,
                             const refhost::RefCurve& section);
// A loft through the sections that follows the guides; a closed solid where capped.
TopoDS_Shape buildSkin(const std::vector<const refhost::RefCurve*>& guides,
                       const std::vector<const refhost::RefCurve*>& sections, bool capped);

// A closed straight-sided profile: its corners (the first not repeated), its unit normal (the sense in
// which the corners run) and its centre.
struct Polygon {
    std::vector<gp_XYZ> corners;
    gp_XYZ normal, centre;
};
// The polygon through the points (closed back to the first); nothing for fewer than three corners.
// Refuses points that do not lie in one plane or a polygon that crosses itself.
std::optional<Polygon> polygonThrough(const std::vector<gp_XYZ>& points, const char* what);

// One section of a loft surface: a curve that shares its parametrisation (degree, knots, weights) with
// the other sections, its station along the loft, its centre and the normal of its plane.
struct LoftSection {
    Handle(Geom_BSplineCurve) curve;
    double station = 0;
    gp_XYZ centre, normal;
};
// The surface through the sections, passing through each exactly; capped, planar faces on the end
// sections close it into a solid.
TopoDS_Shape loftSurface(const std::vector<LoftSection>& sections, bool capped);

} // namespace tcv::kernel
