// The loft's surface through sections of one parametrisation, and the solid or shell made of it: smooth
// side faces between the creases where the sections turn corners, their outward sense from the volume
// they enclose, and flat caps on the ends. Skin.cpp fits the sections a skin's guides ask for.
#include "Constructions.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/kernel/WorkProgress.h"
#include <BRepAdaptor_CompCurve.hxx>
#include <BRepAdaptor_Curve.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <Geom2d_Line.hxx>
#include <GeomAPI_Interpolate.hxx>
#include <GeomConvert_CompCurveToBSplineCurve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_BSplineSurface.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array2OfReal.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TColgp_HArray1OfPnt.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Vertex.hxx>
#include <algorithm>
#include <cmath>
#include <gp_Dir2d.hxx>
#include <gp_Pln.hxx>
#include <gp_Pnt2d.hxx>
#include <numbers>
#include <utility>
#include <vector>

namespace tcv::kernel {

using namespace tcv::refhost;

namespace {

constexpr const char* kWhat = "skin";

// The faces of a lofted surface: one per piece between creases (knots where the sections turn corners),
// sharing their edges, so that each face is smooth.
// The parameters where the surface may be split into smooth pieces: its ends and every knot across it
// of full multiplicity (a corner of the sections).
std::vector<double> smoothBreaks(const Handle(Geom_BSplineSurface) & surface, double u1, double u2) {
    std::vector<double> breaks{u1};
    if (!surface->IsUPeriodic())
        for (int i = 2; i < surface->NbUKnots(); ++i)
            if (surface->UMultiplicity(i) >= surface->UDegree()) breaks.push_back(surface->UKnot(i));
    breaks.push_back(u2);
    return breaks;
}

// The faces of the pieces between the breaks, sharing the edges along the surface at each break.
class PieceFaces {
public:
    PieceFaces(const Handle(Geom_BSplineSurface) & surface, std::vector<double> breaks, double v1, double v2)
        : surface_(surface), breaks_(std::move(breaks)), v1_(v1), v2_(v2), low_(breaks_.size()), high_(breaks_.size()),
          across_(breaks_.size()) {
        const std::size_t pieces = breaks_.size() - 1;
        const bool closed = surface_->IsUClosed();
        for (std::size_t b = 0; b < breaks_.size(); ++b) {
            if (closed && b == pieces) {
                low_[b] = low_[0], high_[b] = high_[0], across_[b] = across_[0];
                continue;
            }
            builder_.MakeVertex(low_[b], surface_->Value(breaks_[b], v1_), kPointTolerance);
            builder_.MakeVertex(high_[b], surface_->Value(breaks_[b], v2_), kPointTolerance);
            builder_.MakeEdge(across_[b], surface_->UIso(breaks_[b]), kPointTolerance);
            builder_.Add(across_[b], low_[b].Oriented(TopAbs_FORWARD));
            builder_.Add(across_[b], high_[b].Oriented(TopAbs_REVERSED));
        }
    }

    std::vector<TopoDS_Face> faces() {
        Handle(Geom_Curve) bottom = surface_->VIso(v1_), top = surface_->VIso(v2_);
        std::vector<TopoDS_Face> result;
        for (std::size_t s = 0; s + 1 < breaks_.size(); ++s) result.push_back(pieceFace(s, bottom, top));
        return result;
    }

private:
    // Each face on its own piece of the surface, so that each keeps its own curves on it.
    TopoDS_Face pieceFace(std::size_t s, const Handle(Geom_Curve) & bottom, const Handle(Geom_Curve) & top) {
        const double a = breaks_[s], b = breaks_[s + 1];
        Handle(Geom_BSplineSurface) piece = Handle(Geom_BSplineSurface)::DownCast(surface_->Copy());
        piece->Segment(a, b, v1_, v2_);
        TopoDS_Face face;
        builder_.MakeFace(face, piece, kPointTolerance);
        TopoDS_Edge lower, upper;
        builder_.MakeEdge(lower, bottom, kPointTolerance);
        builder_.Add(lower, low_[s].Oriented(TopAbs_FORWARD));
        builder_.Add(lower, low_[s + 1].Oriented(TopAbs_REVERSED));
        builder_.MakeEdge(upper, top, kPointTolerance);
        builder_.Add(upper, high_[s].Oriented(TopAbs_FORWARD));
        builder_.Add(upper, high_[s + 1].Oriented(TopAbs_REVERSED));
        // Parameter lines on the surface: along u at the two ends, along v at the two breaks.
        builder_.UpdateEdge(lower, new Geom2d_Line(gp_Pnt2d(0, v1_), gp_Dir2d(1, 0)), face, kPointTolerance);
        builder_.UpdateEdge(upper, new Geom2d_Line(gp_Pnt2d(0, v2_), gp_Dir2d(1, 0)), face, kPointTolerance);
        builder_.UpdateEdge(across_[s], new Geom2d_Line(gp_Pnt2d(a, 0), gp_Dir2d(0, 1)), face, kPointTolerance);
        builder_.UpdateEdge(across_[s + 1], new Geom2d_Line(gp_Pnt2d(b, 0), gp_Dir2d(0, 1)), face, kPointTolerance);
        builder_.Range(lower, a, b);
        builder_.Range(upper, a, b);
        builder_.Range(across_[s], v1_, v2_);
        builder_.Range(across_[s + 1], v1_, v2_);
        // Counter-clockwise in the surface's parameters: the face's normal is the surface's.
        TopoDS_Wire wire;
        builder_.MakeWire(wire);
        builder_.Add(wire, lower.Oriented(TopAbs_FORWARD));
        builder_.Add(wire, across_[s + 1].Oriented(TopAbs_FORWARD));
        builder_.Add(wire, upper.Oriented(TopAbs_REVERSED));
        builder_.Add(wire, across_[s].Oriented(TopAbs_REVERSED));
        wire.Closed(Standard_True);
        builder_.Add(face, wire);
        return face;
    }

    const Handle(Geom_BSplineSurface) & surface_;
    std::vector<double> breaks_;
    double v1_, v2_;
    BRep_Builder builder_;
    // The vertices and the edges along the surface at each break.
    std::vector<TopoDS_Vertex> low_, high_;
    std::vector<TopoDS_Edge> across_;
};

std::vector<TopoDS_Face> sideFacesOf(const Handle(Geom_BSplineSurface) & surface) {
    double u1, u2, v1, v2;
    surface->Bounds(u1, u2, v1, v2);
    std::vector<double> breaks = smoothBreaks(surface, u1, u2);
    if (breaks.size() == 2) {
        BRepBuilderAPI_MakeFace face(surface, kPointTolerance);
        if (!face.IsDone()) refuse(kWhat, "the geometry kernel cannot bound the lofted surface");
        return {face.Face()};
    }
    return PieceFaces(surface, std::move(breaks), v1, v2).faces();
}

// Whether the edge runs along the surface between two side faces (rather than round an end).
bool isSideEdge(const TopoDS_Edge& edge, const std::vector<TopoDS_Face>& faces) {
    int uses = 0;
    for (const auto& face : faces)
        for (TopExp_Explorer edges(face, TopAbs_EDGE); edges.More(); edges.Next())
            if (edges.Current().IsSame(edge)) ++uses;
    return uses > 1;
}

// The volume that the surface, closed along u, encloses with flat caps on its two ends, from a grid of
// points on it: positive where the surface's normal (du x dv) points out. Cheap next to the kernel's
// exact volume, and enough to tell outside from inside and a solid from a sliver, also for sections
// whose centre lies outside them.
double sampledVolume(const Handle(Geom_BSplineSurface) & surface, double& extent) {
    constexpr int kAlong = 48, kAcross = 16;
    double u1, u2, v1, v2;
    surface->Bounds(u1, u2, v1, v2);
    std::vector<gp_XYZ> grid(static_cast<std::size_t>((kAlong + 1) * (kAcross + 1)));
    auto at = [&](int i, int j) -> gp_XYZ& { return grid[static_cast<std::size_t>(j * (kAlong + 1) + i)]; };
    Bnd_Box box;
    for (int j = 0; j <= kAcross; ++j)
        for (int i = 0; i <= kAlong; ++i) {
            at(i, j) = surface->Value(u1 + (u2 - u1) * i / kAlong, v1 + (v2 - v1) * j / kAcross).XYZ();
            box.Add(gp_Pnt(at(i, j)));
        }
    extent = std::sqrt(box.SquareExtent());
    gp_XYZ low(0, 0, 0), high(0, 0, 0);
    for (int i = 0; i < kAlong; ++i) low += at(i, 0), high += at(i, kAcross);
    low /= kAlong, high /= kAlong;
    const gp_XYZ origin = at(0, 0);
    double sixfold = 0;
    auto add = [&](const gp_XYZ& a, const gp_XYZ& b, const gp_XYZ& c) {
        sixfold += (a - origin).Dot((b - origin).Crossed(c - origin));
    };
    for (int i = 0; i < kAlong; ++i) {
        for (int j = 0; j < kAcross; ++j) {
            add(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            add(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
        add(low, at(i + 1, 0), at(i, 0));
        add(high, at(i, kAcross), at(i + 1, kAcross));
    }
    return sixfold / 6;
}

} // namespace

// The surface interpolates, row by row, the poles of the sections at their stations, so it passes
// through every section exactly (the sections share their weights, which stay the same along a row).
namespace {

// The surface through sections of one parametrisation: each row of poles across the sections
// interpolated at the sections' stations.
Handle(Geom_BSplineSurface) surfaceThrough(const std::vector<LoftSection>& sections) {
    const Handle(Geom_BSplineCurve)& first = sections.front().curve;
    const int nu = first->NbPoles(), nv = static_cast<int>(sections.size());
    for (const auto& section : sections) {
        const auto& curve = section.curve;
        if (curve->NbPoles() != nu || curve->NbKnots() != first->NbKnots() || curve->Degree() != first->Degree() ||
            curve->IsPeriodic() != first->IsPeriodic())
            refuse(kWhat, "the sections do not share their parametrisation");
        for (int i = 1; i <= nu; ++i)
            if (std::fabs(curve->Weight(i) - first->Weight(i)) > 1e-12)
                refuse(kWhat, "the sections do not share their weights");
    }
    const double span = sections.back().station - sections.front().station;
    Handle(TColStd_HArray1OfReal) parameters = new TColStd_HArray1OfReal(1, nv);
    for (int k = 0; k < nv; ++k)
        parameters->SetValue(k + 1, (sections[static_cast<std::size_t>(k)].station - sections.front().station) / span);
    TColgp_Array2OfPnt poles(1, nu, 1, 1);
    TColStd_Array2OfReal weights(1, nu, 1, 1);
    Handle(Geom_BSplineCurve) across;
    for (int i = 1; i <= nu; ++i) {
        Handle(TColgp_HArray1OfPnt) row = new TColgp_HArray1OfPnt(1, nv);
        for (int k = 0; k < nv; ++k) row->SetValue(k + 1, sections[static_cast<std::size_t>(k)].curve->Pole(i));
        GeomAPI_Interpolate interpolation(row, parameters, Standard_False, kPointTolerance);
        interpolation.Perform();
        if (!interpolation.IsDone()) refuse(kWhat, "the geometry kernel cannot loft through the sections");
        across = interpolation.Curve();
        if (i == 1) {
            poles.Resize(1, nu, 1, across->NbPoles(), Standard_False);
            weights.Resize(1, nu, 1, across->NbPoles(), Standard_False);
        }
        for (int j = 1; j <= across->NbPoles(); ++j) {
            poles.SetValue(i, j, across->Pole(j));
            weights.SetValue(i, j, first->Weight(i));
        }
    }
    TColStd_Array1OfReal uKnots(1, first->NbKnots()), vKnots(1, across->NbKnots());
    TColStd_Array1OfInteger uMults(1, first->NbKnots()), vMults(1, across->NbKnots());
    first->Knots(uKnots);
    first->Multiplicities(uMults);
    across->Knots(vKnots);
    across->Multiplicities(vMults);
    return new Geom_BSplineSurface(poles, weights, uKnots, vKnots, uMults, vMults, first->Degree(), across->Degree(),
                                   first->IsPeriodic(), Standard_False);
}

// A cap on an end of the loft, in the plane of its section, using the side faces' boundary the other way.
TopoDS_Face endCap(const LoftSection& end, const std::vector<TopoDS_Face>& sideFaces) {
    BRepBuilderAPI_MakeWire boundary;
    TopoDS_Edge shared;
    for (const auto& face : sideFaces)
        for (TopExp_Explorer edges(face, TopAbs_EDGE); edges.More(); edges.Next()) {
            const TopoDS_Edge& edge = TopoDS::Edge(edges.Current());
            if (BRep_Tool::Degenerated(edge) || BRep_Tool::IsClosed(edge, face)) continue;
            BRepAdaptor_Curve curve(edge);
            const gp_XYZ p = curve.Value((curve.FirstParameter() + curve.LastParameter()) / 2).XYZ();
            const bool onThisEnd =
                std::fabs((p - end.centre).Dot(end.normal)) < 1e-6 * (1 + (p - end.centre).Modulus());
            if (!onThisEnd || isSideEdge(edge, sideFaces)) continue;
            boundary.Add(edge);
            if (shared.IsNull()) shared = edge;
        }
    if (!boundary.IsDone() || shared.IsNull()) refuse(kWhat, "an end of the skin is not closed");
    BRepBuilderAPI_MakeFace cap(gp_Pln(gp_Pnt(end.centre), gp_Dir(end.normal)), boundary.Wire(), Standard_True);
    if (!cap.IsDone()) refuse(kWhat, "an end section of the skin does not lie in one plane");
    TopoDS_Face capFace = cap.Face();
    for (TopExp_Explorer capEdges(capFace, TopAbs_EDGE); capEdges.More(); capEdges.Next())
        if (capEdges.Current().IsSame(shared) && capEdges.Current().Orientation() == shared.Orientation()) {
            capFace.Reverse();
            break;
        }
    return capFace;
}

} // namespace

TopoDS_Shape loftSurface(const std::vector<LoftSection>& sections, bool capped) {
    Handle(Geom_BSplineSurface) surface = surfaceThrough(sections);
    std::vector<TopoDS_Face> sideFaces = sideFacesOf(surface);
    // The side faces outwards: the way that gives the enclosed volume a positive sign.
    double extent = 0;
    const double volume = sampledVolume(surface, extent);
    if (volume < 0)
        for (auto& face : sideFaces) face.Reverse();
    if (capped && !(std::fabs(volume) > 1e-9 * extent * extent * extent)) refuse(kWhat, "the skin encloses no volume");
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    for (const auto& face : sideFaces) builder.Add(shell, face);
    if (!capped) return checkedShape(kWhat, shell, false, ShapeCheck::Trusted);
    for (const LoftSection* end : {&sections.front(), &sections.back()}) builder.Add(shell, endCap(*end, sideFaces));
    shell.Closed(Standard_True);
    TopoDS_Solid solid;
    builder.MakeSolid(solid);
    builder.Add(solid, shell);
    return checkedShape(kWhat, solid, true, ShapeCheck::Validity);
}

} // namespace tcv::kernel
