// Projections, revolutions, cones, tori and ruled surfaces. Analytic primitives serve wherever they
// give the same solid: a kernel primitive costs a fraction of a general construction and is valid by
// making. Straight-sided profiles are checked by the host itself (in one plane, not crossing themselves),
// so that their prisms need no check by the kernel either.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCone.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GeomConvert.hxx>
#include <Geom_Circle.hxx>
#include <Geom_Plane.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shell.hxx>
#include <gp_Ax2.hxx>
#include <gp_Circ.hxx>
#include <gp_Pln.hxx>

#include "Constructions.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/kernel/WorkProgress.h"

namespace tcv::kernel {

using namespace tcv::refhost;

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// The faces of a primitive solid other than its planar caps, as an open shell.
TopoDS_Shape lateralShell(const TopoDS_Shape& solid) {
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    for (TopExp_Explorer faces(solid, TopAbs_FACE); faces.More(); faces.Next()) {
        BRepAdaptor_Surface surface(TopoDS::Face(faces.Current()));
        if (surface.GetType() != GeomAbs_Plane) builder.Add(shell, faces.Current());
    }
    return shell;
}

// A unit vector perpendicular to `n`.
gp_XYZ anyPerpendicular(const gp_XYZ& n) {
    gp_XYZ reference = std::fabs(n.X()) < 0.6 ? gp_XYZ(1, 0, 0) : gp_XYZ(0, 1, 0);
    return (reference - n * n.Dot(reference)).Normalized();
}

bool parallel(const gp_XYZ& a, const gp_XYZ& b) { return a.Crossed(b).Modulus() < 1e-9 * a.Modulus() * b.Modulus(); }

// The points of the curve's corners when it is straight-sided, followed by the closing points.
std::optional<std::vector<gp_XYZ>> straightOutline(const RefCurve& curve, const std::vector<gp_XYZ>& closing) {
    std::vector<Vec3> corners;
    if (!curve.appendPolyline(corners)) return std::nullopt;
    std::vector<gp_XYZ> points = xyz(corners);
    points.insert(points.end(), closing.begin(), closing.end());
    return points;
}

// A closed wire from the curve; an open curve is closed by the given closing points in order (points
// that coincide with their neighbours are skipped).
TopoDS_Wire closedWire(const RefCurve& curve, const std::vector<gp_XYZ>& closing, const char* what) {
    TopoDS_Wire wire = curveWire(curve);
    if (curve.isClosed()) return wire;
    BRepBuilderAPI_MakeWire maker(wire);
    gp_XYZ from = xyz(curve.endPoint());
    std::vector<gp_XYZ> path = closing;
    path.push_back(xyz(curve.startPoint()));
    for (const auto& to : path) {
        if ((to - from).Modulus() < kPointTolerance) continue;
        maker.Add(BRepBuilderAPI_MakeEdge(gp_Pnt(from), gp_Pnt(to)).Edge());
        if (!maker.IsDone()) refuse(what, "the profile cannot be closed");
        from = to;
    }
    if (!maker.IsDone() || !BRep_Tool::IsClosed(maker.Wire())) refuse(what, "the profile cannot be closed");
    return maker.Wire();
}

// The face of a checked polygon, on its own plane. The plane's normal is the polygon's, which its corners
// run counter-clockwise about, so the outline already bounds the face from outside: the kernel need not
// classify a point to find which side the face lies on.
TopoDS_Face polygonFace(const Polygon& polygon) {
    BRepBuilderAPI_MakePolygon outline;
    for (const auto& p : polygon.corners) outline.Add(gp_Pnt(p));
    outline.Close();
    BRepBuilderAPI_MakeFace face(gp_Pln(gp_Pnt(polygon.centre), gp_Dir(polygon.normal)), outline.Wire(),
                                 Standard_False);
    if (!face.IsDone()) refuse("profile", "the geometry kernel cannot bound the profile");
    return face.Face();
}

// Points round a closed wire, edge by edge, close enough together to show whether it crosses itself.
std::vector<gp_XYZ> outlineSamples(const TopoDS_Wire& wire) {
    constexpr int kPerEdge = 16;
    std::vector<gp_XYZ> points;
    for (BRepTools_WireExplorer explorer(wire); explorer.More(); explorer.Next()) {
        BRepAdaptor_Curve curve(explorer.Current());
        const bool reversed = explorer.Current().Orientation() == TopAbs_REVERSED;
        const double first = curve.FirstParameter(), last = curve.LastParameter();
        for (int i = 0; i < kPerEdge; ++i) {
            const double f = static_cast<double>(i) / kPerEdge;
            points.push_back(curve.Value(reversed ? last - (last - first) * f : first + (last - first) * f).XYZ());
        }
    }
    return points;
}

// The planar face of a closed wire with curved pieces. The host checks the outline itself (in one plane,
// not crossing itself), on points close along it; the plane's normal is the one the points (taken in the
// wire's own order) run counter-clockwise about, so the wire bounds the face from outside as it stands.
TopoDS_Face curvedFace(const TopoDS_Wire& wire, const char* what, gp_XYZ& normal, std::vector<gp_XYZ>& outline) {
    outline = outlineSamples(wire);
    auto polygon = polygonThrough(outline, what);
    if (!polygon) refuse(what, "the profile encloses no area");
    normal = polygon->normal;
    BRepBuilderAPI_MakeFace face(gp_Pln(gp_Pnt(polygon->centre), gp_Dir(normal)), wire, Standard_False);
    if (!face.IsDone()) refuse(what, "the geometry kernel cannot bound the profile");
    return face.Face();
}

// The two pieces of an edge cut at parameter t, in the order the wire runs through them.
std::pair<TopoDS_Edge, TopoDS_Edge> cutEdge(const TopoDS_Edge& edge, double t) {
    double first = 0, last = 0;
    Handle(Geom_Curve) curve = BRep_Tool::Curve(edge, first, last);
    if (curve.IsNull()) refuse("profile", "an edge of the profile has no curve");
    TopoDS_Edge before = BRepBuilderAPI_MakeEdge(curve, first, t).Edge();
    TopoDS_Edge after = BRepBuilderAPI_MakeEdge(curve, t, last).Edge();
    if (edge.Orientation() == TopAbs_REVERSED) {
        before.Reverse(), after.Reverse();
        return {after, before};
    }
    return {before, after};
}

// A closed profile that touches itself at one point inside two of its pieces (such as the two corners
// left between a square and the half circle inscribed in it) is two loops meeting at that point: the
// loops, or nothing when the profile does not touch itself that way.
std::optional<std::array<TopoDS_Wire, 2>> loopsWhereTouching(const TopoDS_Wire& wire) {
    std::vector<TopoDS_Edge> edges;
    for (BRepTools_WireExplorer explorer(wire); explorer.More(); explorer.Next()) edges.push_back(explorer.Current());
    const std::size_t n = edges.size();
    // Two pieces whose boxes (grown by the point tolerance) lie apart cannot touch: only pieces that come
    // that close are measured exactly.
    std::vector<Bnd_Box> boxes(n);
    for (std::size_t i = 0; i < n; ++i) {
        BRepBndLib::Add(edges[i], boxes[i], Standard_False);
        boxes[i].Enlarge(kPointTolerance);
    }
    for (std::size_t i = 0; i + 2 < n; ++i)
        for (std::size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;
            if (boxes[i].IsOut(boxes[j])) continue;
            BRepExtrema_DistShapeShape distance(edges[i], edges[j]);
            if (!distance.IsDone() || distance.Value() > kPointTolerance) continue;
            for (int k = 1; k <= distance.NbSolution(); ++k) {
                if (distance.SupportTypeShape1(k) != BRepExtrema_IsOnEdge ||
                    distance.SupportTypeShape2(k) != BRepExtrema_IsOnEdge)
                    continue;
                double ti = 0, tj = 0;
                distance.ParOnEdgeS1(k, ti);
                distance.ParOnEdgeS2(k, tj);
                const auto [iBefore, iAfter] = cutEdge(edges[i], ti);
                const auto [jBefore, jAfter] = cutEdge(edges[j], tj);
                BRepBuilderAPI_MakeWire first, second;
                first.Add(iAfter);
                for (std::size_t e = i + 1; e < j; ++e) first.Add(edges[e]);
                first.Add(jBefore);
                second.Add(jAfter);
                for (std::size_t e = j + 1; e < n + i; ++e) second.Add(edges[e % n]);
                second.Add(iBefore);
                if (!first.IsDone() || !second.IsDone() || !BRep_Tool::IsClosed(first.Wire()) ||
                    !BRep_Tool::IsClosed(second.Wire()))
                    continue;
                return std::array<TopoDS_Wire, 2>{first.Wire(), second.Wire()};
            }
        }
    return std::nullopt;
}

// A box when the polygon is a rectangle and the step runs square to it.
std::optional<TopoDS_Shape> boxOf(const Polygon& polygon, const gp_XYZ& step) {
    if (polygon.corners.size() != 4 || !parallel(step, polygon.normal)) return std::nullopt;
    const auto& c = polygon.corners;
    const gp_XYZ a = c[1] - c[0], b = c[3] - c[0];
    if (std::fabs(a.Dot(b)) > 1e-12 * a.Modulus() * b.Modulus()) return std::nullopt;
    if ((c[0] + a + b - c[2]).Modulus() > kPointTolerance) return std::nullopt;
    // The box spans a, b and the step from the corner where all three leave in the positive sense.
    gp_XYZ origin = c[0];
    gp_XYZ x = a, y = b;
    if (a.Crossed(b).Dot(step) < 0) std::swap(x, y);
    const gp_Ax2 placement{gp_Pnt{origin}, gp_Dir{step}, gp_Dir{x}};
    if (placement.YDirection().XYZ().Dot(y) < 0) return std::nullopt;
    return BRepPrimAPI_MakeBox(placement, x.Modulus(), y.Modulus(), step.Modulus()).Shape();
}

// A ruled section: the closed degree-1 curve round the polygon's corners, parametrised corner by corner.
LoftSection polygonSection(const Polygon& polygon) {
    const int n = static_cast<int>(polygon.corners.size());
    TColgp_Array1OfPnt poles(1, n + 1);
    TColStd_Array1OfReal knots(1, n + 1);
    TColStd_Array1OfInteger mults(1, n + 1);
    for (int i = 0; i <= n; ++i) {
        poles.SetValue(i + 1, gp_Pnt(polygon.corners[static_cast<std::size_t>(i % n)]));
        knots.SetValue(i + 1, i);
        mults.SetValue(i + 1, i == 0 || i == n ? 2 : 1);
    }
    return {new Geom_BSplineCurve(poles, knots, mults, 1), 0, polygon.centre, polygon.normal};
}

LoftSection circleSection(const CircleFrame& circle) {
    Handle(Geom_Circle) curve = new Geom_Circle(
        gp_Ax2(gp_Pnt(xyz(circle.centre)), gp_Dir(xyz(circle.normal)), gp_Dir(xyz(circle.xAxis))), circle.radius);
    return {GeomConvert::CurveToBSplineCurve(curve), 0, xyz(circle.centre), xyz(circle.normal)};
}

} // namespace

std::optional<Polygon> polygonThrough(const std::vector<gp_XYZ>& points, const char* what) {
    Polygon polygon;
    for (const auto& p : points)
        if (polygon.corners.empty() || (p - polygon.corners.back()).Modulus() >= kPointTolerance)
            polygon.corners.push_back(p);
    while (polygon.corners.size() > 1 && (polygon.corners.back() - polygon.corners.front()).Modulus() < kPointTolerance)
        polygon.corners.pop_back();
    auto& c = polygon.corners;
    const std::size_t n = c.size();
    if (n < 3) return std::nullopt;
    gp_XYZ normal, centre;
    double extent = 0;
    for (std::size_t i = 0; i < n; ++i) {
        normal += c[i].Crossed(c[(i + 1) % n]);
        centre += c[i];
        extent = std::max(extent, (c[i] - c[0]).Modulus());
    }
    if (!(normal.Modulus() > 1e-12 * extent * extent)) refuse(what, "the profile encloses no area");
    polygon.normal = normal.Normalized();
    polygon.centre = centre / static_cast<double>(n);
    for (const auto& p : c)
        if (std::fabs((p - polygon.centre).Dot(polygon.normal)) > kPointTolerance + 1e-9 * extent)
            refuse(what, "the profile does not lie in one plane");
    // In the plane's own coordinates no two sides may meet other than end to start.
    const gp_XYZ u = anyPerpendicular(polygon.normal), v = polygon.normal.Crossed(u);
    std::vector<std::pair<double, double>> flat;
    for (const auto& p : c) flat.emplace_back((p - polygon.centre).Dot(u), (p - polygon.centre).Dot(v));
    auto cross = [](std::pair<double, double> o, std::pair<double, double> a, std::pair<double, double> b) {
        return (a.first - o.first) * (b.second - o.second) - (a.second - o.second) * (b.first - o.first);
    };
    const double tiny = 1e-12 * extent * extent;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) {
            const bool neighbours = j == i + 1 || (i == 0 && j == n - 1);
            const auto &a = flat[i], &b = flat[(i + 1) % n], &p = flat[j], &q = flat[(j + 1) % n];
            const double d1 = cross(a, b, p), d2 = cross(a, b, q), d3 = cross(p, q, a), d4 = cross(p, q, b);
            if (neighbours) {
                // Neighbouring sides that fold back onto each other.
                const auto& shared = j == i + 1 ? b : a;
                const auto& other1 = j == i + 1 ? a : b;
                const auto& other2 = j == i + 1 ? q : p;
                const double along = (other1.first - shared.first) * (other2.first - shared.first) +
                                     (other1.second - shared.second) * (other2.second - shared.second);
                if (std::fabs(cross(shared, other1, other2)) <= tiny && along > 0)
                    refuse(what, "the profile doubles back on itself");
                continue;
            }
            if (((d1 > tiny && d2 < -tiny) || (d1 < -tiny && d2 > tiny)) &&
                ((d3 > tiny && d4 < -tiny) || (d3 < -tiny && d4 > tiny)))
                refuse(what, "the profile crosses itself");
            auto onSegment = [&](std::pair<double, double> o, std::pair<double, double> s,
                                 std::pair<double, double> e) {
                return std::fabs(cross(s, e, o)) <= tiny && o.first >= std::min(s.first, e.first) - 1e-12 * extent &&
                       o.first <= std::max(s.first, e.first) + 1e-12 * extent &&
                       o.second >= std::min(s.second, e.second) - 1e-12 * extent &&
                       o.second <= std::max(s.second, e.second) + 1e-12 * extent;
            };
            if (onSegment(p, a, b) || onSegment(q, a, b) || onSegment(a, p, q) || onSegment(b, p, q))
                refuse(what, "the profile touches itself");
        }
    return polygon;
}

TopoDS_Shape buildProjection(const RefCurve& profile, const gp_XYZ& direction, double length, bool capped) {
    const char* what = "projection";
    const gp_XYZ step = direction * length;
    if (!capped) {
        BRepPrimAPI_MakePrism prism(curveWire(profile), gp_Vec(step));
        if (!prism.IsDone()) refuse(what, "the geometry kernel cannot project the profile");
        return checkedShape(what, prism.Shape(), false, ShapeCheck::Trusted);
    }
    if (auto circle = profile.fullCircle(); circle && parallel(direction, xyz(circle->normal))) {
        gp_Ax2 placement(gp_Pnt(xyz(circle->centre)), gp_Dir(step), gp_Dir(xyz(circle->xAxis)));
        return checkedShape(what, BRepPrimAPI_MakeCylinder(placement, circle->radius, std::fabs(length)).Shape(), true,
                            ShapeCheck::Trusted);
    }
    TopoDS_Face face;
    gp_XYZ normal;
    if (auto outline = straightOutline(profile, {})) {
        auto polygon = polygonThrough(*outline, what);
        if (!polygon) refuse(what, "the profile encloses no area");
        if (auto box = boxOf(*polygon, step)) return checkedShape(what, *box, true, ShapeCheck::Trusted);
        face = polygonFace(*polygon);
        normal = polygon->normal;
    } else {
        std::vector<gp_XYZ> samples;
        const TopoDS_Wire wire = closedWire(profile, {}, what);
        if (auto loops = loopsWhereTouching(wire)) {
            // Two loops meeting at a point: one prism each, together as one output. Each loop's face is
            // checked as any curved profile is (in one plane, not touching itself), so each prism is valid
            // by making, as the prism of a single loop is.
            BRep_Builder builder;
            TopoDS_Compound pieces;
            builder.MakeCompound(pieces);
            for (const auto& loop : *loops) {
                face = curvedFace(loop, what, normal, samples);
                if (std::fabs(normal.Dot(direction)) < 1e-9)
                    refuse(what, "the projection runs in the plane of its profile");
                BRepPrimAPI_MakePrism piece(face, gp_Vec(step));
                if (!piece.IsDone()) refuse(what, "the geometry kernel cannot project the profile");
                builder.Add(pieces, piece.Shape());
            }
            return checkedShape(what, pieces, true, ShapeCheck::Trusted);
        }
        face = curvedFace(wire, what, normal, samples);
    }
    if (std::fabs(normal.Dot(direction)) < 1e-9) refuse(what, "the projection runs in the plane of its profile");
    BRepPrimAPI_MakePrism prism(face, gp_Vec(step));
    if (!prism.IsDone()) refuse(what, "the geometry kernel cannot project the profile");
    return checkedShape(what, prism.Shape(), true, ShapeCheck::Trusted);
}

TopoDS_Shape buildRevolution(const RefCurve& profile, const gp_XYZ& axis, const gp_XYZ& centre, double angle,
                             bool capped) {
    const char* what = "revolution";
    const gp_XYZ direction = angle < 0 ? axis.Reversed() : axis;
    const double turn = std::min(std::fabs(angle), kTwoPi);
    const gp_Ax1 ax1{gp_Pnt{centre}, gp_Dir{direction}};
    if (!capped) {
        BRepPrimAPI_MakeRevol revolution(curveWire(profile), ax1, turn);
        if (!revolution.IsDone()) refuse(what, "the geometry kernel cannot revolve the profile");
        return checkedShape(what, revolution.Shape(), false, ShapeCheck::Trusted);
    }
    // An open profile closes through the feet of its end points on the axis.
    auto foot = [&](const gp_XYZ& p) { return centre + axis * axis.Dot(p - centre); };
    const std::vector<gp_XYZ> closing{foot(xyz(profile.endPoint())), foot(xyz(profile.startPoint()))};
    TopoDS_Face face;
    gp_XYZ normal;
    std::vector<gp_XYZ> outlinePoints;
    if (auto outline = straightOutline(profile, profile.isClosed() ? std::vector<gp_XYZ>{} : closing)) {
        auto polygon = polygonThrough(*outline, what);
        if (!polygon) refuse(what, "the profile encloses no area");
        face = polygonFace(*polygon);
        normal = polygon->normal;
        outlinePoints = polygon->corners;
    } else {
        face = curvedFace(closedWire(profile, closing, what), what, normal, outlinePoints);
    }
    // A profile in a plane through the axis must keep to one side of it, or the solid would cut itself.
    ShapeCheck check = ShapeCheck::Trusted;
    if (std::fabs(normal.Dot(axis)) < 1e-9) {
        const gp_XYZ across = normal.Crossed(axis);
        double lowest = 0, highest = 0;
        for (const auto& p : outlinePoints) {
            const double side = (p - centre).Dot(across);
            lowest = std::min(lowest, side), highest = std::max(highest, side);
        }
        if (lowest < -kPointTolerance && highest > kPointTolerance) refuse(what, "the profile crosses the axis");
        if (std::max(-lowest, highest) < kPointTolerance) refuse(what, "the profile lies on the axis");
    } else {
        check = ShapeCheck::Full;
    }
    BRepPrimAPI_MakeRevol revolution(face, ax1, turn);
    if (!revolution.IsDone()) refuse(what, "the geometry kernel cannot revolve the profile");
    return checkedShape(what, revolution.Shape(), true, check);
}

TopoDS_Shape buildCone(const gp_XYZ& baseCentre, const gp_XYZ& topCentre, double baseRadius, double topRadius,
                       const gp_XYZ& towardsStart, bool capped) {
    const char* what = "cone";
    const gp_XYZ axis = topCentre - baseCentre;
    const double height = axis.Modulus();
    gp_XYZ xAxis = towardsStart - axis.Normalized() * axis.Normalized().Dot(towardsStart);
    xAxis = xAxis.Modulus() > 1e-12 ? xAxis.Normalized() : anyPerpendicular(axis.Normalized());
    const gp_Ax2 placement{gp_Pnt{baseCentre}, gp_Dir{axis}, gp_Dir{xAxis}};
    TopoDS_Shape solid;
    if (std::fabs(baseRadius - topRadius) < kPointTolerance) {
        solid = BRepPrimAPI_MakeCylinder(placement, baseRadius, height).Shape();
    } else {
        solid = BRepPrimAPI_MakeCone(placement, baseRadius < kPointTolerance ? 0.0 : baseRadius,
                                     topRadius < kPointTolerance ? 0.0 : topRadius, height)
                    .Shape();
    }
    if (capped) return checkedShape(what, solid, true, ShapeCheck::Trusted);
    return checkedShape(what, lateralShell(solid), false, ShapeCheck::Trusted);
}

TopoDS_Shape buildTorus(const gp_XYZ& centre, const gp_XYZ& axis, const gp_XYZ& majorDirection, double ringRadius,
                        double tubeRadius, bool capped) {
    const char* what = "torus";
    const gp_Ax2 placement{gp_Pnt{centre}, gp_Dir{axis}, gp_Dir{majorDirection}};
    TopoDS_Shape solid = BRepPrimAPI_MakeTorus(placement, ringRadius, tubeRadius).Shape();
    if (capped) return checkedShape(what, solid, true, ShapeCheck::Trusted);
    return checkedShape(what, lateralShell(solid), false, ShapeCheck::Trusted);
}

TopoDS_Shape buildRuledSurface(const RuledEnd& first, const RuledEnd& second, bool capped) {
    const char* what = "ruled surface";
    const bool solid = capped && first.closed() && second.closed();
    std::optional<CircleFrame> c1 = first.curve ? first.curve->fullCircle() : std::nullopt;
    std::optional<CircleFrame> c2 = second.curve ? second.curve->fullCircle() : std::nullopt;
    if (c1 && c2) {
        const gp_XYZ offset = xyz(c2->centre - c1->centre);
        const double height = offset.Modulus();
        if (height < kPointTolerance) refuse(what, "the two circles have one centre");
        if (parallel(xyz(c1->normal), xyz(c2->normal)) && parallel(offset, xyz(c1->normal))) {
            // Two circles on one axis bound a frustum (or a cylinder): the kernel's primitive.
            gp_Ax2 placement(gp_Pnt(xyz(c1->centre)), gp_Dir(offset), gp_Dir(xyz(c1->xAxis)));
            TopoDS_Shape frustum = std::fabs(c1->radius - c2->radius) < kPointTolerance
                                       ? BRepPrimAPI_MakeCylinder(placement, c1->radius, height).Shape()
                                       : BRepPrimAPI_MakeCone(placement, c1->radius, c2->radius, height).Shape();
            if (solid) return checkedShape(what, frustum, true, ShapeCheck::Trusted);
            return checkedShape(what, lateralShell(frustum), false, ShapeCheck::Trusted);
        }
        // Other circles join seam to seam: the second starts in the direction the first starts, seen in its
        // own plane, and turns the same way.
        if (c2->normal.Dot(c1->normal) < 0) c2->normal.Reverse();
        const Vec3 xAxis = c1->xAxis - c2->normal * c2->normal.Dot(c1->xAxis);
        c2->xAxis = xAxis.Modulus() > 1e-9 ? xAxis.Normalized() : vec3(anyPerpendicular(xyz(c2->normal)));
        LoftSection a = circleSection(*c1), b = circleSection(*c2);
        b.station = 1;
        return loftSurface({a, b}, solid);
    }
    // Two polygons of as many corners: their sides joined corner to corner.
    auto polygonOf = [&](const RuledEnd& end) -> std::optional<Polygon> {
        if (end.plane) return polygonThrough(xyz(end.plane->corners()), what);
        if (!end.curve->isClosed()) return std::nullopt;
        auto outline = straightOutline(*end.curve, {});
        return outline ? polygonThrough(*outline, what) : std::nullopt;
    };
    auto p1 = polygonOf(first), p2 = polygonOf(second);
    if (p1 && p2 && p1->corners.size() == p2->corners.size()) {
        if (p1->normal.Dot(p2->normal) < 0) {
            std::reverse(p2->corners.begin() + 1, p2->corners.end());
            p2->normal.Reverse();
        }
        LoftSection a = polygonSection(*p1), b = polygonSection(*p2);
        b.station = 1;
        return loftSurface({a, b}, solid);
    }
    auto wireOf = [](const RuledEnd& end) -> TopoDS_Wire {
        if (!end.plane) return curveWire(*end.curve);
        BRepBuilderAPI_MakePolygon polygon;
        for (const auto& p : end.plane->corners()) polygon.Add(gp_Pnt(xyz(p)));
        polygon.Close();
        return polygon.Wire();
    };
    BRepOffsetAPI_ThruSections loft(solid ? Standard_True : Standard_False, Standard_True);
    loft.AddWire(wireOf(first));
    loft.AddWire(wireOf(second));
    WorkProgressRange progress(currentBudget());
    loft.Build(progress.range());
    if (!loft.IsDone()) refuse(what, "the geometry kernel cannot rule a surface between the two");
    return checkedShape(what, loft.Shape(), solid, ShapeCheck::Full);
}

} // namespace tcv::kernel
