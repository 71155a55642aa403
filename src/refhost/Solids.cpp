// Projections, revolutions, cones, tori and ruled surfaces. Analytic primitives serve wherever they
// give the same solid: a kernel primitive costs a fraction of a general sweep and is valid by making.
#include <cmath>
#include <numbers>
#include <optional>

#include <BRepAdaptor_Surface.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRepPrimAPI_MakeCone.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <gp_Ax2.hxx>
#include <gp_Circ.hxx>

#include "refhost/Constructions.h"
#include "refhost/KernelGuard.h"

namespace tcv::refhost {

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

// A closed wire from the curve; an open curve is closed by the given closing points in order (points
// that coincide with their neighbours are skipped).
TopoDS_Wire closedWire(const RefCurve& curve, const std::vector<gp_XYZ>& closing, const char* what) {
    TopoDS_Wire wire = curveWire(curve);
    if (curve.isClosed()) return wire;
    BRepBuilderAPI_MakeWire maker(wire);
    gp_XYZ from = curve.endPoint();
    std::vector<gp_XYZ> path = closing;
    path.push_back(curve.startPoint());
    for (const auto& to : path) {
        if ((to - from).Modulus() < kPointTolerance) continue;
        maker.Add(BRepBuilderAPI_MakeEdge(gp_Pnt(from), gp_Pnt(to)).Edge());
        if (!maker.IsDone()) refuse(what, "the profile cannot be closed");
        from = to;
    }
    if (!maker.IsDone() || !BRep_Tool::IsClosed(maker.Wire())) refuse(what, "the profile cannot be closed");
    return maker.Wire();
}

} // namespace

TopoDS_Shape planarFace(const TopoDS_Shape& wire, const char* what) {
    BRepBuilderAPI_MakeFace face(TopoDS::Wire(wire), Standard_True);
    if (!face.IsDone()) refuse(what, "the profile does not lie in one plane");
    return checkedShape(what, face.Face(), false);
}

TopoDS_Shape buildProjection(const RefCurve& profile, const gp_XYZ& direction, double length, bool capped) {
    const char* what = "projection";
    if (std::fabs(length) < kPointTolerance) refuse(what, "the projection has no length");
    const gp_XYZ step = direction * length;
    if (capped) {
        if (auto circle = profile.fullCircle(); circle && direction.Crossed(circle->normal).Modulus() < 1e-12) {
            gp_Dir axis(step);
            gp_Ax2 placement(gp_Pnt(circle->centre), axis, gp_Dir(circle->xAxis));
            BRepPrimAPI_MakeCylinder cylinder(placement, circle->radius, std::fabs(length));
            return checkedShape(what, cylinder.Shape(), true, false);
        }
        TopoDS_Shape face = planarFace(closedWire(profile, {}, what), what);
        BRepPrimAPI_MakePrism prism(face, gp_Vec(step));
        if (!prism.IsDone()) refuse(what, "the geometry kernel cannot project the profile");
        return checkedShape(what, prism.Shape(), true, false);
    }
    BRepPrimAPI_MakePrism prism(curveWire(profile), gp_Vec(step));
    if (!prism.IsDone()) refuse(what, "the geometry kernel cannot project the profile");
    return checkedShape(what, prism.Shape(), false, false);
}

TopoDS_Shape buildRevolution(const RefCurve& profile, const gp_XYZ& axis, const gp_XYZ& centre, double angle,
                             bool capped) {
    const char* what = "revolution";
    const gp_XYZ direction = angle < 0 ? axis.Reversed() : axis;
    const double turn = std::min(std::fabs(angle), kTwoPi);
    if (turn * 1.0 < 1e-12) refuse(what, "the revolution has no angle");
    const gp_Ax1 ax1{gp_Pnt{centre}, gp_Dir{direction}};
    if (capped) {
        // An open profile closes through the feet of its end points on the axis.
        auto foot = [&](const gp_XYZ& p) { return centre + axis * axis.Dot(p - centre); };
        TopoDS_Shape wire = closedWire(profile, {foot(profile.endPoint()), foot(profile.startPoint())}, what);
        TopoDS_Shape face = planarFace(wire, what);
        BRepPrimAPI_MakeRevol revolution(face, ax1, turn);
        if (!revolution.IsDone()) refuse(what, "the geometry kernel cannot revolve the profile");
        return checkedShape(what, revolution.Shape(), true);
    }
    BRepPrimAPI_MakeRevol revolution(curveWire(profile), ax1, turn);
    if (!revolution.IsDone()) refuse(what, "the geometry kernel cannot revolve the profile");
    return checkedShape(what, revolution.Shape(), false);
}

TopoDS_Shape buildCone(const gp_XYZ& baseCentre, const gp_XYZ& topCentre, double baseRadius, double topRadius,
                       const gp_XYZ& towardsStart, bool capped) {
    const char* what = "cone";
    const gp_XYZ axis = topCentre - baseCentre;
    const double height = axis.Modulus();
    const gp_Dir direction(axis);
    gp_XYZ xAxis = towardsStart - axis.Normalized() * axis.Normalized().Dot(towardsStart);
    xAxis = xAxis.Modulus() > 1e-12 ? xAxis.Normalized() : anyPerpendicular(axis.Normalized());
    gp_Ax2 placement(gp_Pnt(baseCentre), direction, gp_Dir(xAxis));
    TopoDS_Shape solid;
    if (std::fabs(baseRadius - topRadius) < kPointTolerance) {
        solid = BRepPrimAPI_MakeCylinder(placement, baseRadius, height).Shape();
    } else {
        solid = BRepPrimAPI_MakeCone(placement, baseRadius < kPointTolerance ? 0.0 : baseRadius,
                                     topRadius < kPointTolerance ? 0.0 : topRadius, height)
                    .Shape();
    }
    if (capped) return checkedShape(what, solid, true, false);
    return checkedShape(what, lateralShell(solid), false, false);
}

TopoDS_Shape buildTorus(const gp_XYZ& centre, const gp_XYZ& axis, const gp_XYZ& majorDirection, double ringRadius,
                        double tubeRadius, bool capped) {
    const char* what = "torus";
    const gp_Ax2 placement{gp_Pnt{centre}, gp_Dir{axis}, gp_Dir{majorDirection}};
    TopoDS_Shape solid = BRepPrimAPI_MakeTorus(placement, ringRadius, tubeRadius).Shape();
    if (capped) return checkedShape(what, solid, true, false);
    return checkedShape(what, lateralShell(solid), false, false);
}

TopoDS_Shape buildRuledSurface(const RuledEnd& first, const RuledEnd& second, bool capped) {
    const char* what = "ruled surface";
    const bool solid = capped && first.closed() && second.closed();
    std::optional<CircleFrame> c1 = first.curve ? first.curve->fullCircle() : std::nullopt;
    std::optional<CircleFrame> c2 = second.curve ? second.curve->fullCircle() : std::nullopt;
    if (c1 && c2) {
        const gp_XYZ offset = c2->centre - c1->centre;
        const double height = offset.Modulus();
        const bool coaxial = c1->normal.Crossed(c2->normal).Modulus() < 1e-9 && height > kPointTolerance &&
                             offset.Crossed(c1->normal).Modulus() < 1e-9 * height;
        if (coaxial) {
            // Two circles on one axis bound a frustum (or a cylinder): the kernel's primitive.
            gp_Ax2 placement(gp_Pnt(c1->centre), gp_Dir(offset), gp_Dir(c1->xAxis));
            TopoDS_Shape frustum = std::fabs(c1->radius - c2->radius) < kPointTolerance
                                       ? BRepPrimAPI_MakeCylinder(placement, c1->radius, height).Shape()
                                       : BRepPrimAPI_MakeCone(placement, c1->radius, c2->radius, height).Shape();
            if (solid) return checkedShape(what, frustum, true, false);
            return checkedShape(what, lateralShell(frustum), false, false);
        }
    }
    if (c1 && c2) {
        // Two circles join seam to seam: the second starts in the direction the first starts, seen in its
        // own plane, and turns the same way.
        if (c2->normal.Dot(c1->normal) < 0) c2->normal.Reverse();
        gp_XYZ xAxis = c1->xAxis - c2->normal * c2->normal.Dot(c1->xAxis);
        c2->xAxis = xAxis.Modulus() > 1e-9 ? xAxis.Normalized() : anyPerpendicular(c2->normal);
    }
    auto wireOf = [](const RuledEnd& end, const std::optional<CircleFrame>& circle) -> TopoDS_Wire {
        if (end.plane) {
            BRepBuilderAPI_MakePolygon polygon;
            for (const auto& p : end.plane->corners()) polygon.Add(gp_Pnt(p));
            polygon.Close();
            return polygon.Wire();
        }
        if (circle) {
            gp_Circ circ(gp_Ax2(gp_Pnt(circle->centre), gp_Dir(circle->normal), gp_Dir(circle->xAxis)), circle->radius);
            return BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(circ).Edge()).Wire();
        }
        return curveWire(*end.curve);
    };
    BRepOffsetAPI_ThruSections loft(solid ? Standard_True : Standard_False, Standard_True);
    loft.AddWire(wireOf(first, c1));
    loft.AddWire(wireOf(second, c2));
    loft.CheckCompatibility(!(c1 && c2));
    loft.Build();
    if (!loft.IsDone()) refuse(what, "the geometry kernel cannot rule a surface between the two");
    return checkedShape(what, loft.Shape(), solid);
}

} // namespace tcv::refhost
