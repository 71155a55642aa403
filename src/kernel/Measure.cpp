#include "tarncheckvalve/kernel/Measure.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepTools.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>

#include "tarncheckvalve/kernel/KernelGuard.h"

namespace tcv::kernel {

using namespace tcv::refhost;

namespace {

bool elementary(GeomAbs_SurfaceType type) {
    switch (type) {
    case GeomAbs_Plane:
    case GeomAbs_Cylinder:
    case GeomAbs_Cone:
    case GeomAbs_Sphere:
    case GeomAbs_Torus:
    case GeomAbs_SurfaceOfRevolution:
    case GeomAbs_SurfaceOfExtrusion:
        return true;
    default:
        return false;
    }
}

// The tight box of a free-form face: the extremes of its surface over its parameter range, found on a
// grid and then refined by a pattern search. (The kernel's own optimal box of such faces costs a hundred
// times more.)
void addFreeForm(const TopoDS_Face& face, Bnd_Box& box) {
    BRepAdaptor_Surface surface(face);
    double u1, u2, v1, v2;
    BRepTools::UVBounds(face, u1, u2, v1, v2);
    auto spans = [](int intervals) { return std::clamp(4 * intervals, 32, 128); };
    const int nu = spans(surface.NbUIntervals(GeomAbs_C2)), nv = spans(surface.NbVIntervals(GeomAbs_C2));
    struct Extreme {
        double value;
        double u, v;
    };
    // For each of the six directions (-x, -y, -z, +x, +y, +z), the best place found.
    Extreme best[6];
    for (auto& e : best) e = {-1e300, u1, v1};
    auto score = [](const gp_Pnt& p, int k) { return k < 3 ? -p.Coord(k + 1) : p.Coord(k - 2); };
    for (int i = 0; i <= nu; ++i)
        for (int j = 0; j <= nv; ++j) {
            const double u = u1 + (u2 - u1) * i / nu, v = v1 + (v2 - v1) * j / nv;
            const gp_Pnt p = surface.Value(u, v);
            for (int k = 0; k < 6; ++k)
                if (score(p, k) > best[k].value) best[k] = {score(p, k), u, v};
        }
    for (int k = 0; k < 6; ++k) {
        Extreme e = best[k];
        double du = (u2 - u1) / nu, dv = (v2 - v1) / nv;
        for (int iteration = 0; iteration < 200 && (du > 1e-13 * (u2 - u1) || dv > 1e-13 * (v2 - v1)); ++iteration) {
            bool moved = false;
            for (int a = -1; a <= 1; ++a)
                for (int b = -1; b <= 1; ++b) {
                    if (a == 0 && b == 0) continue;
                    const double u = std::clamp(e.u + a * du, u1, u2), v = std::clamp(e.v + b * dv, v1, v2);
                    const double s = score(surface.Value(u, v), k);
                    if (s > e.value) e = {s, u, v}, moved = true;
                }
            if (!moved) du /= 2, dv /= 2;
        }
        box.Add(surface.Value(e.u, e.v));
    }
}

bool rational(const TopoDS_Shape& shape) {
    for (TopExp_Explorer faces(shape, TopAbs_FACE); faces.More(); faces.Next()) {
        BRepAdaptor_Surface surface(TopoDS::Face(faces.Current()), Standard_False);
        if ((surface.GetType() == GeomAbs_BSplineSurface || surface.GetType() == GeomAbs_BezierSurface) &&
            (surface.IsURational() || surface.IsVRational()))
            return true;
    }
    return false;
}

// A solid's volume. The kernel's fixed integration rule misjudges rational surfaces; those are integrated
// to an error bound (which costs some fifty times more).
double volumeOf(const TopoDS_Shape& shape) {
    GProp_GProps properties;
    if (rational(shape))
        BRepGProp::VolumeProperties(shape, properties, 1e-6);
    else
        BRepGProp::VolumeProperties(shape, properties);
    return properties.Mass();
}

// The box's bounds without its gap; false when the box has no finite extent (the bounds are then
// whatever the box holds, or left as they were for an empty or open box).
bool finiteBounds(Bnd_Box box, std::array<double, 6>& bounds) {
    if (box.IsVoid() || box.IsOpen()) return false;
    box.SetGap(0.0);
    box.Get(bounds[0], bounds[1], bounds[2], bounds[3], bounds[4], bounds[5]);
    return std::all_of(bounds.begin(), bounds.end(), [](double v) { return std::isfinite(v); });
}

bool emptyShape(const TopoDS_Shape& shape) {
    return shape.IsNull() || (shape.ShapeType() <= TopAbs_SHELL && !TopoDS_Iterator(shape).More());
}

} // namespace

bool validShape(const TopoDS_Shape& shape, bool isSolid) {
    if (emptyShape(shape)) return false;
    bool valid = false;
    try {
        runGuarded("measure", [&] {
            // Any box will tell a finite extent; the tight one costs a search over curved faces.
            Bnd_Box box;
            BRepBndLib::Add(shape, box, Standard_False);
            std::array<double, 6> bounds{};
            valid =
                finiteBounds(box, bounds) && (!isSolid || volumeOf(shape) > 0) && BRepCheck_Analyzer(shape).IsValid();
        });
    } catch (const host::HostError&) {
        return false;
    }
    return valid;
}

ShapeMeasure measureShape(const TopoDS_Shape& shape, bool isSolid) {
    ShapeMeasure measure;
    if (emptyShape(shape)) return measure;
    measure.empty = false;
    try {
        runGuarded("measure", [&] {
            // The tight box of the exact geometry: no triangulation, no enlargement by shape tolerances.
            Bnd_Box box;
            bool anyFace = false;
            for (TopExp_Explorer faces(shape, TopAbs_FACE); faces.More(); faces.Next()) {
                anyFace = true;
                const TopoDS_Face& face = TopoDS::Face(faces.Current());
                if (elementary(BRepAdaptor_Surface(face, Standard_False).GetType()))
                    BRepBndLib::AddOptimal(face, box, Standard_False, Standard_False);
                else
                    addFreeForm(face, box);
            }
            if (!anyFace) BRepBndLib::AddOptimal(shape, box, Standard_False, Standard_False);
            const bool finite = finiteBounds(box, measure.bbox);
            bool positive = true;
            if (isSolid) {
                measure.volume = volumeOf(shape);
                positive = *measure.volume > 0;
            }
            measure.valid = finite && positive && BRepCheck_Analyzer(shape).IsValid();
        });
    } catch (const host::HostError&) {
        measure.valid = false;
    }
    return measure;
}

} // namespace tcv::kernel
