#include "MeshEstimate.h"

#include <algorithm>
#include <cmath>

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepTools.hxx>
#include <Bnd_Box.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GCPnts_TangentialDeflection.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Cone.hxx>
#include <gp_Cylinder.hxx>
#include <gp_Sphere.hxx>
#include <gp_Torus.hxx>

namespace tcv::exports {

namespace {

// The angle between two points of a circle of `radius` that the mesher takes at these deflections.
double arcStep(double radius, double linear, double angular) {
    if (!(radius > 0)) return angular;
    return std::max(GCPnts_TangentialDeflection::ArcAngularStep(radius, linear, angular, 0.0), 1e-3);
}

double segments(double span, double step) { return std::max(1.0, std::ceil(std::fabs(span) / step)); }

// Points the mesher puts on an edge.
double edgePoints(const TopoDS_Edge& edge, double linear, double angular) {
    BRepAdaptor_Curve curve(edge);
    const double span = curve.LastParameter() - curve.FirstParameter();
    switch (curve.GetType()) {
    case GeomAbs_Line:
        return 1;
    case GeomAbs_Circle:
        return segments(span, arcStep(curve.Circle().Radius(), linear, angular));
    case GeomAbs_Ellipse:
        return segments(span, arcStep(curve.Ellipse().MajorRadius(), linear, angular));
    default: {
        // A free-form edge: as many points as a circle of its length would need, at least a few per pole.
        const double length = GCPnts_AbscissaPoint::Length(curve);
        const double radius = length / (2 * M_PI);
        const GeomAbs_CurveType type = curve.GetType();
        const bool poles = type == GeomAbs_BSplineCurve || type == GeomAbs_BezierCurve;
        return segments(2 * M_PI, arcStep(radius, linear, angular)) + (poles ? curve.NbPoles() : 0);
    }
    }
}

double facePoints(const TopoDS_Face& face, double linear, double angular) {
    double points = 0;
    for (TopExp_Explorer edges(face, TopAbs_EDGE); edges.More(); edges.Next())
        points += edgePoints(TopoDS::Edge(edges.Current()), linear, angular);
    return points;
}

double faceTriangles(const TopoDS_Face& face, double linear, double angular) {
    BRepAdaptor_Surface surface(face, Standard_False);
    double u1, u2, v1, v2;
    BRepTools::UVBounds(face, u1, u2, v1, v2);
    const double du = u2 - u1, dv = v2 - v1;
    // Interior points arranged in rows and columns: two triangles a cell; the boundary's points besides.
    const double boundary = facePoints(face, linear, angular);
    switch (surface.GetType()) {
    case GeomAbs_Plane:
        return boundary;
    case GeomAbs_Cylinder:
        // Straight along its axis: rings at the ends and triangles spanning its length, however long.
        return 4 * segments(du, arcStep(surface.Cylinder().Radius(), linear, angular)) + boundary;
    case GeomAbs_Cone: {
        // Along a cone the mesher keeps its rows about a third of the wide end's radius apart, whatever
        // the deflections (measured: a cone 1 km long and 0.11 m wide gets 56,000 triangles, one 0.011 m
        // wide ten times as many); besides, a grid of the wide end's steps, no cell smaller than the
        // deflection.
        const gp_Cone cone = surface.Cone();
        const double sine = std::sin(cone.SemiAngle());
        const double wide = std::max(std::fabs(cone.RefRadius() + v1 * sine), std::fabs(cone.RefRadius() + v2 * sine));
        const double step = std::max(arcStep(wide, linear, angular), linear / wide);
        return 2 * segments(dv, 0.31 * wide) + 2 * segments(du, step) * segments(dv, step * wide) + boundary;
    }
    case GeomAbs_Sphere: {
        const double step = arcStep(surface.Sphere().Radius(), linear, angular);
        return 2 * segments(du, step) * segments(dv, step) + boundary;
    }
    case GeomAbs_Torus: {
        const gp_Torus torus = surface.Torus();
        return 2 * segments(du, arcStep(torus.MajorRadius() + torus.MinorRadius(), linear, angular)) *
                   segments(dv, arcStep(torus.MinorRadius(), linear, angular)) +
               boundary;
    }
    default: {
        // A free-form face: cells as large as the mesher takes on a surface curving as tightly as the face
        // is narrow, over the face's extent.
        Bnd_Box box;
        BRepBndLib::Add(face, box, Standard_False);
        if (box.IsVoid()) return boundary;
        double x1, y1, z1, x2, y2, z2;
        box.Get(x1, y1, z1, x2, y2, z2);
        double extents[3] = {x2 - x1, y2 - y1, z2 - z1};
        std::sort(extents, extents + 3);
        const double radius = std::max(extents[1] / 2, linear);
        const double cell = std::max(radius * arcStep(radius, linear, angular), linear);
        return 2 * segments(extents[2], cell) * segments(extents[1], cell) + boundary;
    }
    }
}

} // namespace

TriangleEstimate estimateTriangles(const TopoDS_Shape& shape, double linearDeflection, double angularDeflection) {
    TriangleEstimate estimate;
    for (TopExp_Explorer faces(shape, TopAbs_FACE); faces.More(); faces.Next()) {
        const double triangles = faceTriangles(TopoDS::Face(faces.Current()), linearDeflection, angularDeflection);
        estimate.total += triangles;
        estimate.largestFace = std::max(estimate.largestFace, triangles);
    }
    return estimate;
}

} // namespace tcv::exports
