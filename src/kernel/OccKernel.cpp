// The geometry kernel on Open CASCADE: every construction of the host objects made into a checked
// kernel shape under the kernel guard.
#include <cmath>

#include <BRepBuilderAPI_GTransform.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRep_Builder.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS_Compound.hxx>
#include <gp_Ax2.hxx>
#include <gp_GTrsf.hxx>
#include <gp_Trsf.hxx>

#include "Constructions.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/kernel/Measure.h"
#include "tarncheckvalve/kernel/OccKernel.h"

namespace tcv::kernel {

using namespace tcv::refhost;

namespace {

gp_Pnt toPnt(const Vec3& p) { return gp_Pnt(p.X(), p.Y(), p.Z()); }
gp_Dir toDir(const Vec3& v) { return gp_Dir(v.X(), v.Y(), v.Z()); }

class OccKernel final : public GeometryKernel {
public:
    ShapePtr curveWire(const RefCurve& curve) const override {
        return made("curve", [&] { return TopoDS_Shape(kernel::curveWire(curve)); });
    }

    ShapePtr planeFace(const std::vector<Vec3>& corners) const override {
        return made("plane", [&] {
            BRepBuilderAPI_MakePolygon polygon;
            for (const auto& p : corners) polygon.Add(toPnt(p));
            polygon.Close();
            BRepBuilderAPI_MakeFace face(polygon.Wire(), Standard_True);
            if (!face.IsDone()) refuse("plane", "the points of the plane do not lie in one plane");
            return TopoDS_Shape(face.Face());
        });
    }

    ShapePtr projection(const RefCurve& profile, const Vec3& direction, double length, bool capped) const override {
        return made("projection", [&] { return buildProjection(profile, xyz(direction), length, capped); });
    }

    ShapePtr revolution(const RefCurve& profile, const Vec3& axis, const Vec3& centre, double angle,
                        bool capped) const override {
        return made("revolution", [&] { return buildRevolution(profile, xyz(axis), xyz(centre), angle, capped); });
    }

    ShapePtr cone(const Vec3& baseCentre, const Vec3& topCentre, double baseRadius, double topRadius,
                  const Vec3& towardsStart, bool capped) const override {
        return made("cone", [&] {
            return buildCone(xyz(baseCentre), xyz(topCentre), baseRadius, topRadius, xyz(towardsStart), capped);
        });
    }

    ShapePtr torus(const Vec3& centre, const Vec3& axis, const Vec3& majorDirection, double ringRadius,
                   double tubeRadius, bool capped) const override {
        return made("torus", [&] {
            return buildTorus(xyz(centre), xyz(axis), xyz(majorDirection), ringRadius, tubeRadius, capped);
        });
    }

    ShapePtr ruledSurface(const RuledEnd& first, const RuledEnd& second, bool capped) const override {
        return made("ruled surface", [&] { return buildRuledSurface(first, second, capped); });
    }

    ShapePtr sweepPiece(const SweepPiece& piece, const RefCurve& path, const RefCurve& section) const override {
        return made("sweep", [&] { return buildSweepPiece(piece, path, section); });
    }

    ShapePtr skin(const std::vector<const RefCurve*>& guides, const std::vector<const RefCurve*>& sections,
                  bool capped) const override {
        return made("skin", [&] { return buildSkin(guides, sections, capped); });
    }

    ShapePtr box(const Vec3& low, const Vec3& high) const override {
        return made("box", [&] {
            return checkedShape("box", BRepPrimAPI_MakeBox(toPnt(low), toPnt(high)).Shape(), true, ShapeCheck::Trusted);
        });
    }

    ShapePtr portCylinder(const Vec3& base, const Vec3& axis, double radius, double length) const override {
        return made("nozzle port graphics", [&] {
            BRepPrimAPI_MakeCylinder cylinder(gp_Ax2(toPnt(base), toDir(axis)), radius, length);
            cylinder.Build();
            if (!cylinder.IsDone()) refuse("nozzle port graphics", "the kernel made no cylinder");
            return cylinder.Shape();
        });
    }

    ShapePtr operatorPicture(const Vec3& base, const Vec3& up, double stemRadius, double stemHeight, double wheelRadius,
                             double rimRadius) const override {
        return made("operator picture", [&] {
            const gp_Dir axis = toDir(up);
            const gp_Pnt foot = toPnt(base);
            BRep_Builder builder;
            TopoDS_Compound compound;
            builder.MakeCompound(compound);
            if (stemHeight > 0)
                builder.Add(compound, BRepPrimAPI_MakeCylinder(gp_Ax2(foot, axis), stemRadius, stemHeight).Shape());
            const gp_Pnt top = foot.Translated(gp_Vec(axis) * stemHeight);
            builder.Add(compound, BRepPrimAPI_MakeTorus(gp_Ax2(top, axis), wheelRadius, rimRadius).Shape());
            return TopoDS_Shape(compound);
        });
    }

private:
    template <class Build>
    static ShapePtr made(const char* what, Build&& build) {
        return makeShape(guarded(what, std::forward<Build>(build)));
    }
};

} // namespace

ShapePtr OccShape::transformed(const AffineMap& map) const {
    return makeShape(guarded("transform", [&] {
        const auto scale = map.similarityScale();
        const double det = map.determinant();
        if (scale && det > 0 && std::fabs(*scale - 1) < 1e-12) {
            gp_Trsf trsf;
            const auto &a = map.column[0], &b = map.column[1], &c = map.column[2];
            const auto& t = map.translation;
            trsf.SetValues(a.X(), b.X(), c.X(), t.X(), a.Y(), b.Y(), c.Y(), t.Y(), a.Z(), b.Z(), c.Z(), t.Z());
            return shape_.Moved(TopLoc_Location(trsf));
        }
        gp_GTrsf gtrsf;
        for (int row = 1; row <= 3; ++row) {
            for (int col = 1; col <= 3; ++col) gtrsf.SetValue(row, col, map.column[col - 1].Coord(row));
            gtrsf.SetValue(row, 4, map.translation.Coord(row));
        }
        BRepBuilderAPI_GTransform maker(shape_, gtrsf, Standard_True);
        if (!maker.IsDone()) refuse("transform", "the geometry kernel cannot transform the shape");
        return maker.Shape();
    }));
}

ShapeMeasure OccShape::measure(bool isSolid) const { return measureShape(shape_, isSolid); }
bool OccShape::valid(bool isSolid) const { return validShape(shape_, isSolid); }

const TopoDS_Shape& occShape(const ShapePtr& shape) {
    static const TopoDS_Shape none;
    const auto* occ = dynamic_cast<const OccShape*>(shape.get());
    return occ ? occ->shape() : none;
}

ShapePtr makeShape(TopoDS_Shape shape) {
    if (shape.IsNull()) return nullptr;
    return std::make_shared<OccShape>(std::move(shape));
}

KernelPtr makeOccKernel() { return std::make_shared<OccKernel>(); }

void installOccKernel() { setDefaultKernel(makeOccKernel()); }

} // namespace tcv::kernel
