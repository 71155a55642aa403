// The kernel edges and wires of the host's curves, made from the pieces each curve hands over.
#include <algorithm>
#include <cmath>
#include <numbers>

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRep_Tool.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_Circle.hxx>
#include <Geom_Ellipse.hxx>
#include <ShapeFix_Wire.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <gp_Ax2.hxx>
#include <gp_Circ.hxx>
#include <gp_Elips.hxx>

#include "Constructions.h"
#include "tarncheckvalve/kernel/KernelGuard.h"

namespace tcv::kernel {

using namespace tcv::refhost;

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

gp_Pnt toPnt(const Vec3& p) { return gp_Pnt(p.X(), p.Y(), p.Z()); }
gp_Dir toDir(const Vec3& v) { return gp_Dir(v.X(), v.Y(), v.Z()); }

class EdgeMaker final : public CurvePieces {
public:
    void segment(const Vec3& from, const Vec3& to, const char* what) override {
        BRepBuilderAPI_MakeEdge edge(toPnt(from), toPnt(to));
        if (!edge.IsDone()) refuse(what, "the geometry kernel cannot make a straight piece");
        edges.push_back(edge.Edge());
    }

    // The edge of a circle frame from its start through its sweep.
    void circular(const CircleFrame& frame) override {
        gp_Ax2 axes(toPnt(frame.centre), toDir(frame.normal), toDir(frame.xAxis));
        if (frame.sweep >= kTwoPi - 1e-12) {
            BRepBuilderAPI_MakeEdge edge(gp_Circ(axes, frame.radius));
            if (!edge.IsDone()) refuse("circle", "the geometry kernel cannot make the circle");
            edges.push_back(edge.Edge());
            return;
        }
        Handle(Geom_Circle) circle = new Geom_Circle(axes, frame.radius);
        BRepBuilderAPI_MakeEdge edge(circle, 0.0, frame.sweep);
        if (!edge.IsDone()) refuse("arc", "the geometry kernel cannot make the arc");
        edges.push_back(edge.Edge());
    }

    void elliptical(const EllipseFrame& frame) override {
        const gp_Ax2 axes{toPnt(frame.centre), toDir(frame.normal), toDir(frame.xAxis)};
        if (frame.sweep >= kTwoPi - 1e-12) {
            BRepBuilderAPI_MakeEdge edge(gp_Elips(axes, frame.majorRadius, frame.minorRadius));
            if (!edge.IsDone()) refuse("elliptical arc", "the geometry kernel cannot make the ellipse");
            edges.push_back(edge.Edge());
            return;
        }
        Handle(Geom_Ellipse) ellipse = new Geom_Ellipse(axes, frame.majorRadius, frame.minorRadius);
        BRepBuilderAPI_MakeEdge edge(ellipse, frame.start, frame.start + frame.sweep);
        if (!edge.IsDone()) refuse("elliptical arc", "the geometry kernel cannot make the arc");
        edges.push_back(edge.Edge());
    }

    void bspline(int order, const std::vector<Vec3>& polePoints, const std::vector<double>& poleWeights,
                 const std::vector<double>& flatKnots) override {
        const int n = static_cast<int>(polePoints.size());
        TColgp_Array1OfPnt poles(1, n);
        TColStd_Array1OfReal weights(1, n);
        for (int i = 0; i < n; ++i) {
            poles.SetValue(i + 1, toPnt(polePoints[static_cast<std::size_t>(i)]));
            weights.SetValue(i + 1, poleWeights[static_cast<std::size_t>(i)]);
        }
        // The flat knot vector with repeats becomes distinct knots with multiplicities.
        std::vector<double> distinct;
        std::vector<int> multiplicities;
        for (double k : flatKnots) {
            if (!distinct.empty() && k - distinct.back() <= 1e-12 * std::max(1.0, std::fabs(k)))
                ++multiplicities.back();
            else
                distinct.push_back(k), multiplicities.push_back(1);
        }
        const int degree = order - 1;
        for (std::size_t i = 1; i + 1 < multiplicities.size(); ++i)
            if (multiplicities[i] > degree)
                refuse("B-spline", "an inner knot repeats more often than the degree allows");
        const int count = static_cast<int>(distinct.size());
        TColStd_Array1OfReal knots(1, count);
        TColStd_Array1OfInteger mults(1, count);
        for (int i = 0; i < count; ++i) {
            knots.SetValue(i + 1, distinct[static_cast<std::size_t>(i)]);
            mults.SetValue(i + 1, std::min(multiplicities[static_cast<std::size_t>(i)], order));
        }
        if (multiplicities.front() > order || multiplicities.back() > order)
            refuse("B-spline", "an end knot repeats more often than the order");
        Handle(Geom_BSplineCurve) curve = new Geom_BSplineCurve(poles, weights, knots, mults, degree);
        BRepBuilderAPI_MakeEdge edge(curve);
        if (!edge.IsDone()) refuse("B-spline", "the geometry kernel cannot make the curve");
        edges.push_back(edge.Edge());
    }

    std::vector<TopoDS_Edge> edges;
};

} // namespace

TopoDS_Wire curveWire(const RefCurve& curve) {
    EdgeMaker maker;
    curve.visit(maker);
    BRepBuilderAPI_MakeWire wireMaker;
    for (const auto& edge : maker.edges) {
        wireMaker.Add(edge);
        if (!wireMaker.IsDone()) refuse("curve", "the pieces of the curve do not join end to start");
    }
    TopoDS_Wire wire = wireMaker.Wire();
    if (curve.isClosed() && !BRep_Tool::IsClosed(wire)) {
        // Ends that meet within the host's tolerance but not the kernel's: let the kernel join them.
        ShapeFix_Wire fix;
        fix.Load(wire);
        fix.SetPrecision(kPointTolerance * 10);
        fix.ClosedWireMode() = Standard_True;
        fix.FixConnected();
        wire = fix.Wire();
    }
    return wire;
}

} // namespace tcv::kernel
