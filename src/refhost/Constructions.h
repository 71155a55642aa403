// The kernel constructions behind the geometry factory's persistent creations. Each takes checked,
// finite defining values, runs under the kernel guard of its caller, and returns a shape that passed
// the checks its construction needs (see ShapeCheck): primitives and the host's own constructions are
// valid by making; general kernel algorithms are checked by the kernel.
#pragma once

#include <optional>
#include <vector>

#include <Geom_BSplineCurve.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_XYZ.hxx>

#include "refhost/Curves.h"

namespace tcv::refhost {

// A profile or section handed to a ruled surface: a curve or a plane's boundary.
struct RuledEnd {
    const RefCurve* curve = nullptr;
    const RefPlane* plane = nullptr;
    bool closed() const { return plane || curve->isClosed(); }
};

// `direction` is a unit vector; a negative length projects the other way.
TopoDS_Shape buildProjection(const RefCurve& profile, const gp_XYZ& direction, double length, bool capped);
// `axis` is a unit vector; the angle is clamped to one full turn.
TopoDS_Shape buildRevolution(const RefCurve& profile, const gp_XYZ& axis, const gp_XYZ& centre, double angle,
                             bool capped);
TopoDS_Shape buildCone(const gp_XYZ& baseCentre, const gp_XYZ& topCentre, double baseRadius, double topRadius,
                       const gp_XYZ& towardsStart, bool capped);
TopoDS_Shape buildTorus(const gp_XYZ& centre, const gp_XYZ& axis, const gp_XYZ& majorDirection, double ringRadius,
                        double tubeRadius, bool capped);
TopoDS_Shape buildRuledSurface(const RuledEnd& first, const RuledEnd& second, bool capped);
// One solid of a sweep. A circle swept along a polyline is a tube of straight pieces and bends (or, where
// the legs leave no room for a bend, balls at the corners); any other sweep is one pipe.
struct SweepPiece {
    enum class Kind { Straight, Bend, Ball, Pipe };
    Kind kind = Kind::Pipe;
    gp_XYZ origin;         // start of a straight piece; centre of a bend or ball
    gp_XYZ direction;      // along a straight piece; the axis a bend turns about
    gp_XYZ xAxis;          // from a bend's centre to where it starts
    double extent = 0;     // length of a straight piece; angle of a bend
    double bendRadius = 0; // centre-line radius of a bend
    double tubeRadius = 0;
    bool solid = true; // false for a pipe of an open section
};
// The pieces of the sweep, worked out without the kernel; refuses a path that turns back on itself.
std::vector<SweepPiece> planSweep(const RefCurve& path, const RefCurve& section);
TopoDS_Shape buildSweepPiece(const SweepPiece& piece, const RefCurve& path, const RefCurve& section);
const char* sweepPieceName(SweepPiece::Kind kind);
// A loft through the sections that follows the guides; a closed solid where capped.
TopoDS_Shape buildSkin(const std::vector<const RefCurve*>& guides, const std::vector<const RefCurve*>& sections,
                       bool capped);

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

} // namespace tcv::refhost
