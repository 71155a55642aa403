// The reference host's geometry factory. Every creation checks its defining values (finite numbers,
// directions with a length, radii a solid can have), records them, and in the building mode makes the
// kernel shape through the geometry kernel. The record-only mode makes the same checks and records, and the
// same number of results, without kernel shapes.
#include <algorithm>
#include <cmath>

#include "Factories.h"
#include "tarncheckvalve/refhost/ConstructionMemo.h"
#include "tarncheckvalve/refhost/Curves.h"
#include "tarncheckvalve/refhost/GeometryKernel.h"
#include "tarncheckvalve/refhost/Graphics.h"
#include "tarncheckvalve/refhost/RefRuntime.h"
#include "tarncheckvalve/refhost/Refusal.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::refhost {

namespace {

double finiteNumber(double value, const char* what, const char* name) {
    if (!std::isfinite(value)) refuse(what, std::string("the ") + name + " is not a finite number");
    return value;
}

Vec3 finiteTriple(double x, double y, double z, const char* what, const char* name) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        refuse(what, std::string("the ") + name + " has a coordinate that is not a finite number");
    return {x, y, z};
}

// A length or coordinate the kernel can model.
double modelNumber(double value, const char* what, const char* name) {
    finiteNumber(value, what, name);
    if (!withinModel(value)) refuse(what, std::string("the ") + name + " lies beyond the host's model space");
    return value;
}

Vec3 modelPoint(double x, double y, double z, const char* what, const char* name) {
    finiteTriple(x, y, z, what, name);
    if (!withinModel(x) || !withinModel(y) || !withinModel(z))
        refuse(what, std::string("the ") + name + " lies beyond the host's model space");
    return {x, y, z};
}

Vec3 point(const host::DPosition& p, const char* what, const char* name) {
    return modelPoint(p.x(), p.y(), p.z(), what, name);
}

Vec3 vector(const host::DVector& v, const char* what, const char* name) {
    return finiteTriple(v.x(), v.y(), v.z(), what, name);
}

// A unit vector along a direction the host was given; a direction without length is refused.
Vec3 unitDirection(const host::DVector& v, const char* what, const char* name) {
    const Vec3 xyz = vector(v, what, name);
    const double length = xyz.Modulus();
    if (!(length > 1e-12)) refuse(what, std::string("the ") + name + " has no length");
    return xyz / length;
}

std::vector<Vec3> pointsFrom(int count, const std::vector<double>& coordinates, const char* what) {
    if (count < 0 || coordinates.size() < 3 * static_cast<std::size_t>(count))
        refuse(what, "there are fewer coordinates than three per point");
    std::vector<Vec3> points;
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i)
        points.push_back(modelPoint(coordinates[3 * i], coordinates[3 * i + 1], coordinates[3 * i + 2], what, "point"));
    return points;
}

RefCurvePtr asCurve(const host::ObjectPtr& object, const char* what, const char* name) {
    auto curve = std::dynamic_pointer_cast<RefCurve>(object);
    if (!curve) refuse(what, std::string("the ") + name + " is not a curve of this host");
    return curve;
}

// The curves of a collection; a missing collection holds none.
std::vector<RefCurvePtr> curvesOf(const host::CollectionPtr& collection, const char* what, const char* name) {
    std::vector<RefCurvePtr> curves;
    if (!collection) return curves;
    for (int i = 1; i <= collection->Count(); ++i) curves.push_back(asCurve(collection->Item(i), what, name));
    return curves;
}

class RefGeometryFactory final : public host::IGeometryFactory {
public:
    RefGeometryFactory(KernelPtr kernel, std::shared_ptr<ConstructionMemo> built)
        : kernel_(std::move(kernel)), built_(std::move(built)) {}

    host::CurvePtr CreateLine(const host::ResourceManagerPtr&, const host::DPosition& start,
                              const host::DPosition& end) override {
        return makeLine(point(start, "line", "start"), point(end, "line", "end"), kernel_);
    }

    host::CurvePtr CreateArcBy3Points(const host::ResourceManagerPtr&, const host::DPosition& start,
                                      const host::DPosition& onArc, const host::DPosition& end) override {
        return makeArcBy3Points(point(start, "arc", "start"), point(onArc, "arc", "point on the arc"),
                                point(end, "arc", "end"), kernel_);
    }

    host::CurvePtr CreateArcByCenter(const host::ResourceManagerPtr&, const host::DPosition& centre,
                                     const host::DPosition& start, const host::DPosition& end) override {
        return makeArcByCentre(point(centre, "arc", "centre"), point(start, "arc", "start"), point(end, "arc", "end"),
                               kernel_);
    }

    host::CurvePtr CreateArcByCenterNormal(const host::ResourceManagerPtr&, const host::DPosition& centre,
                                           const host::DVector& normal, const host::DPosition& start,
                                           const host::DPosition& end) override {
        unitDirection(normal, "arc", "normal");
        return makeArcByCentreNormal(point(centre, "arc", "centre"), vector(normal, "arc", "normal"),
                                     point(start, "arc", "start"), point(end, "arc", "end"), kernel_);
    }

    host::CurvePtr CreateCircle(const host::ResourceManagerPtr&, const host::DPosition& centre,
                                const host::DVector& normal, double radius) override {
        // A circle smaller than the kernel's point tolerance is a point to it: a solid of it has no volume.
        if (radius > 0 && radius < kPointTolerance)
            refuse("circle", "the radius is below the kernel's point tolerance");
        return makeCircle(point(centre, "circle", "centre"), unitDirection(normal, "circle", "normal"),
                          modelNumber(radius, "circle", "radius"), kernel_);
    }

    host::CurvePtr CreateCircleBy3Points(const host::ResourceManagerPtr&, const host::DPosition& p1,
                                         const host::DPosition& p2, const host::DPosition& p3) override {
        return makeCircleBy3Points(point(p1, "circle", "first point"), point(p2, "circle", "second point"),
                                   point(p3, "circle", "third point"), kernel_);
    }

    host::CurvePtr CreateEllipticalArc(const host::ResourceManagerPtr&, const host::DPosition& centre,
                                       const host::DVector& normal, const host::DVector& majorAxis,
                                       double minorMajorRatio, double startAngle, double sweepAngle) override {
        const char* what = "elliptical arc";
        unitDirection(normal, what, "normal");
        const double majorRadius = modelNumber(vector(majorAxis, what, "major axis").Modulus(), what, "major radius");
        modelNumber(majorRadius * finiteNumber(minorMajorRatio, what, "ratio"), what, "minor radius");
        return makeEllipticalArc(point(centre, what, "centre"), vector(normal, what, "normal"),
                                 vector(majorAxis, what, "major axis"), finiteNumber(minorMajorRatio, what, "ratio"),
                                 finiteNumber(startAngle, what, "start angle"),
                                 finiteNumber(sweepAngle, what, "sweep angle"), kernel_);
    }

    host::CurvePtr CreateLineString(const host::ResourceManagerPtr&, int pointCount,
                                    const std::vector<double>& coordinates) override {
        return makeLineString(pointsFrom(pointCount, coordinates, "line string"), kernel_);
    }

    host::PlanePtr CreatePlane(const host::ResourceManagerPtr&, int pointCount,
                               const std::vector<double>& coordinates) override {
        return std::make_shared<RefPlane>(pointsFrom(pointCount, coordinates, "plane"), kernel_);
    }

    host::CurvePtr CreateComplexString(const host::ResourceManagerPtr&,
                                       const std::vector<host::CurvePtr>& curves) override {
        std::vector<RefCurvePtr> members;
        for (const auto& curve : curves) members.push_back(asCurve(curve, "complex string", "member")->clone());
        return makeComplexString(std::move(members), kernel_);
    }

    host::CurvePtr CreateBSpline(const host::ResourceManagerPtr&, int order, int poleCount,
                                 const std::vector<double>& poles, const std::vector<double>& weights,
                                 const std::vector<double>& knots, bool periodic) override {
        const char* what = "B-spline";
        if (periodic) refuse(what, "this host makes no periodic B-splines");
        for (double w : weights) finiteNumber(w, what, "weight");
        for (double k : knots) finiteNumber(k, what, "knot");
        std::vector<double> usedWeights = weights;
        if (usedWeights.size() > static_cast<std::size_t>(std::max(poleCount, 0)))
            usedWeights.resize(static_cast<std::size_t>(poleCount));
        std::vector<Vec3> points = pointsFrom(poleCount, poles, what);
        // Poles that all coincide make a curve of no length, which the kernel turns into empty shapes.
        if (std::all_of(points.begin(), points.end(),
                        [&](const Vec3& p) { return (p - points.front()).Modulus() < kPointTolerance; }))
            refuse(what, "all poles of the B-spline coincide");
        return makeBSpline(order, std::move(points), std::move(usedWeights), knots, kernel_);
    }

    host::GraphicPtr CreateProjection(const host::ResourceManagerPtr&, const host::CurvePtr& curve,
                                      const host::DVector& direction, double length, bool capped) override {
        const char* what = "projection";
        auto profile = asCurve(curve, what, "profile");
        const Vec3 unit = unitDirection(direction, what, "direction");
        modelNumber(length, what, "length");
        if (std::fabs(length) < kPointTolerance) refuse(what, "the projection has no length");
        RecordSheet sheet("projection");
        sheet.vector("direction", vector(direction, what, "direction")).length("length", length).flag("capped", capped);
        sheet.nest("profile.", profile->record());
        return graphic(std::move(sheet), capped, [&] { return kernel_->projection(*profile, unit, length, capped); });
    }

    host::GraphicPtr CreateRevolution(const host::ResourceManagerPtr&, const host::CurvePtr& curve,
                                      const host::DVector& axis, const host::DPosition& centre, double angle,
                                      bool capped) override {
        const char* what = "revolution";
        auto profile = asCurve(curve, what, "profile");
        const Vec3 unit = unitDirection(axis, what, "axis");
        const Vec3 through = point(centre, what, "centre");
        finiteNumber(angle, what, "angle");
        if (std::fabs(angle) < 1e-12) refuse(what, "the revolution has no angle");
        RecordSheet sheet("revolution");
        sheet.vector("axis", vector(axis, what, "axis")).point("centre", through).number("angle", angle);
        sheet.flag("capped", capped).nest("profile.", profile->record());
        return graphic(std::move(sheet), capped,
                       [&] { return kernel_->revolution(*profile, unit, through, angle, capped); });
    }

    host::GraphicPtr CreateCone(const host::ResourceManagerPtr&, const host::DPosition& baseCentre,
                                const host::DPosition& topCentre, const host::DPosition& onBase,
                                const host::DPosition& onTop, bool capped) override {
        const char* what = "cone";
        const Vec3 base = point(baseCentre, what, "base centre"), top = point(topCentre, what, "top centre");
        const Vec3 pb = point(onBase, what, "point on the base"), pt = point(onTop, what, "point on the top");
        const Vec3 axis = top - base;
        if (axis.Modulus() < kPointTolerance) refuse(what, "the cone has no height");
        const Vec3 unit = axis.Normalized();
        const Vec3 toBase = (pb - base) - unit * unit.Dot(pb - base);
        const Vec3 toTop = (pt - top) - unit * unit.Dot(pt - top);
        const double baseRadius = toBase.Modulus(), topRadius = toTop.Modulus();
        if (baseRadius < kPointTolerance && topRadius < kPointTolerance) refuse(what, "both radii of the cone are 0");
        RecordSheet sheet("cone");
        sheet.point("baseCentre", base).point("topCentre", top).point("onBase", pb).point("onTop", pt);
        sheet.length("baseRadius", baseRadius).length("topRadius", topRadius).flag("capped", capped);
        const Vec3 towardsStart = baseRadius >= kPointTolerance ? toBase : toTop;
        return graphic(std::move(sheet), capped,
                       [&] { return kernel_->cone(base, top, baseRadius, topRadius, towardsStart, capped); });
    }

    host::GraphicPtr CreateTorus(const host::ResourceManagerPtr&, const host::DPosition& centre,
                                 const host::DVector& axis, const host::DVector& majorDirection, double ringRadius,
                                 double tubeRadius, bool capped) override {
        const char* what = "torus";
        const Vec3 middle = point(centre, what, "centre");
        const Vec3 unit = unitDirection(axis, what, "axis");
        const Vec3 major = vector(majorDirection, what, "major direction");
        modelNumber(ringRadius, what, "ring radius");
        modelNumber(tubeRadius, what, "tube radius");
        const Vec3 inPlane = major - unit * unit.Dot(major);
        if (!(inPlane.Modulus() > 1e-12)) refuse(what, "the major direction has no length across the axis");
        if (!(ringRadius > 0) || !(tubeRadius > 0)) refuse(what, "the ring and tube radii must be positive");
        if (tubeRadius < kPointTolerance) refuse(what, "the tube radius is below the kernel's point tolerance");
        if (!(tubeRadius < ringRadius))
            refuse(what, "a tube radius not below the ring radius makes the torus cut itself");
        RecordSheet sheet("torus");
        sheet.point("centre", middle).vector("axis", vector(axis, what, "axis")).vector("majorDirection", major);
        sheet.length("ringRadius", ringRadius).length("tubeRadius", tubeRadius).flag("capped", capped);
        const Vec3 xAxis = inPlane.Normalized();
        return graphic(std::move(sheet), capped,
                       [&] { return kernel_->torus(middle, unit, xAxis, ringRadius, tubeRadius, capped); });
    }

    host::GraphicPtr CreateRuledSurface(const host::ResourceManagerPtr&, const host::ObjectPtr& first,
                                        const host::ObjectPtr& second, bool capped) override {
        const char* what = "ruled surface";
        RecordSheet sheet("ruledSurface");
        sheet.flag("capped", capped);
        auto endOf = [&](const host::ObjectPtr& object, const char* prefix) {
            RuledEnd end;
            if (auto plane = std::dynamic_pointer_cast<RefPlane>(object)) {
                end.plane = plane.get();
                sheet.nest(prefix, plane->record());
            } else {
                end.curve = asCurve(object, what, "boundary").get();
                sheet.nest(prefix, end.curve->record());
            }
            return end;
        };
        const RuledEnd a = endOf(first, "first."), b = endOf(second, "second.");
        if (a.curve && b.curve) {
            const auto c1 = a.curve->fullCircle(), c2 = b.curve->fullCircle();
            if (c1 && c2 && (c2->centre - c1->centre).Modulus() < kPointTolerance)
                refuse(what, "two circles about one centre bound no solid");
        }
        const bool solid = capped && a.closed() && b.closed();
        return graphic(std::move(sheet), solid, [&] { return kernel_->ruledSurface(a, b, capped); });
    }

    host::CollectionPtr CreateSingleSweep(const host::ResourceManagerPtr&, const host::CurvePtr& path,
                                          const host::CurvePtr& section, std::int32_t cornerOption,
                                          std::int32_t stepOption, host::ObjectPtr& startCap, host::ObjectPtr& endCap,
                                          std::int32_t flag) override {
        const char* what = "sweep";
        auto along = asCurve(path, what, "path");
        auto across = asCurve(section, what, "cross-section");
        startCap.reset();
        endCap.reset();
        const auto pieces = planSweep(*along, *across);
        auto result = std::make_shared<RefCollection>();
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            RecordSheet sheet("sweep");
            sheet.integer("cornerOption", cornerOption).integer("stepOption", stepOption).integer("flag", flag);
            sheet.nest("path.", along->record()).nest("section.", across->record());
            sheet.integer("member", static_cast<std::int64_t>(i + 1));
            sheet.integer("memberCount", static_cast<std::int64_t>(pieces.size()));
            sheet.add("piece", std::string(sweepPieceName(pieces[i].kind)));
            result->Add(graphic(std::move(sheet), pieces[i].solid,
                                [&] { return kernel_->sweepPiece(pieces[i], *along, *across); }));
        }
        return result;
    }

    host::CollectionPtr CreateSkin(const host::ResourceManagerPtr&, const host::CollectionPtr& guides,
                                   const host::CollectionPtr& sections, std::int32_t capped) override {
        const char* what = "skin";
        const auto guideCurves = curvesOf(guides, what, "guide");
        const auto sectionCurves = curvesOf(sections, what, "section");
        if (sectionCurves.size() < 2) refuse(what, "a skin needs at least two sections");
        const bool closed = capped != 0;
        if (closed)
            for (const auto& section : sectionCurves)
                if (!section->isClosed()) refuse(what, "a closed skin needs closed sections");
        RecordSheet sheet("skin");
        sheet.flag("capped", closed);
        sheet.integer("guideCount", static_cast<std::int64_t>(guideCurves.size()));
        sheet.integer("sectionCount", static_cast<std::int64_t>(sectionCurves.size()));
        for (std::size_t i = 0; i < guideCurves.size(); ++i)
            sheet.nest("guide" + std::to_string(i + 1) + ".", guideCurves[i]->record());
        for (std::size_t i = 0; i < sectionCurves.size(); ++i)
            sheet.nest("section" + std::to_string(i + 1) + ".", sectionCurves[i]->record());
        auto result = std::make_shared<RefCollection>();
        result->Add(graphic(std::move(sheet), closed, [&] {
            std::vector<const RefCurve*> g, s;
            for (const auto& c : guideCurves) g.push_back(c.get());
            for (const auto& c : sectionCurves) s.push_back(c.get());
            return kernel_->skin(g, s, closed);
        }));
        return result;
    }

private:
    // A persistent graphic with its record; its kernel shape is built only when the host has a kernel.
    template <class Build>
    host::GraphicPtr graphic(RecordSheet sheet, bool solid, Build&& build) const {
        // Every construction is a point where a part's work can be ended: the kernel's own algorithms
        // poll the budget too, but the symbol's many small ones would not notice it otherwise.
        checkWork("building a " + sheet.creation().kind);
        ShapePtr shape;
        if (kernel_) shape = built_ ? built_->shapeFor(sheet.creation(), std::forward<Build>(build)) : build();
        return std::make_shared<RefGraphic>(std::move(sheet), solid ? OutputKind::Solid : OutputKind::Surface,
                                            std::move(shape));
    }

    KernelPtr kernel_;
    std::shared_ptr<ConstructionMemo> built_;
};

} // namespace

host::GeometryFactoryPtr makeGeometryFactory(const HostOptions& options, std::shared_ptr<ConstructionMemo> built) {
    return std::make_shared<RefGeometryFactory>(options.kernel, std::move(built));
}

} // namespace tcv::refhost
