// Persistent creations of the reference host: each makes the solid or surface it should, valid, with
// the expected box and volume, and records its defining values. (The records of projections, cones and
// revolutions made by the placement routines are checked with those routines.)
#include <cmath>
#include <functional>
#include <vector>

#include "support/GeometryHelpers.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/kernel/OccKernel.h"
#include "tarncheckvalve/refhost/OutputCollection.h"

namespace tcv::test {

using host::DPosition;
using host::DVector;
namespace {

using P = host::DPosition;
using V = host::DVector;

class Solids : public ::testing::Test {
protected:
    HostFixtureScope host;
    host::GeometryFactoryPtr f = host::runtime().CreateGeometryFactory();
    host::ResourceManagerPtr rm = std::make_shared<refhost::RefResourceManager>();

    host::CurvePtr circle(P centre, V normal, double radius) {
        return f->CreateCircle(nullptr, centre, normal, radius);
    }
    host::CurvePtr square() {
        return f->CreateLineString(nullptr, 5, xyz(0, 0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0));
    }
    host::CurvePtr rectangle() {
        return f->CreateLineString(nullptr, 5, xyz(0, 1, 0, 1, 1, 0, 1, 2, 0, 0, 2, 0, 0, 1, 0));
    }
    host::CurvePtr lineAtHalf() { return f->CreateLine(nullptr, P(0, 0.5, 0), P(2, 0.5, 0)); }
    auto lowerRectangle() { return f->CreatePlane(nullptr, 5, xyz(-2, 0, -1, -2, 0, 1, 2, 0, 1, 2, 0, -1, -2, 0, -1)); }
    // A cylinder along z turned to x and moved 5 along y.
    host::ObjectPtr movedCylinder() {
        auto cylinder = f->CreateProjection(rm, circle({0, 0, 0}, {0, 0, 1}, 1), V(0, 0, 1), 2, true);
        host::DT4x4 move;
        move.rotate(kPi / 2, V(0, 1, 0));
        move.translate(V(0, 5, 0));
        cylinder->Transform(move);
        return cylinder;
    }
    auto upperRectangle() {
        return f->CreatePlane(nullptr, 5, xyz(-1, 1, -.5, -1, 1, .5, 1, 1, .5, 1, 1, -.5, -1, 1, -.5));
    }
};

TEST_F(Solids, AreValidWithTheirVolumeAndBox) {
    // A valid solid of the volume and, where given, the box.
    auto expectShape = [](const char* what, const host::ObjectPtr& solid, double volume, std::vector<double> box = {}) {
        SCOPED_TRACE(what);
        EXPECT_EQ(recordOf(solid).outputKind(), refhost::OutputKind::Solid);
        auto m = measureOf(solid);
        expectSolid(m, volume);
        if (!box.empty()) expectNear({m.bbox.begin(), m.bbox.end()}, box, 1e-6, "bbox");
    };
    const double frustum = kPi * 2 / 3 * (1 + 0.5 + 0.25);
    expectShape("capped projection of a circle: the cylinder from start to end",
                f->CreateProjection(rm, circle({-1, 0, 0}, {1, 0, 0}, .25), V(1, 0, 0), 2, true), kPi / 8,
                {-1, -.25, -.25, 1, .25, .25});
    expectShape("capped square: a prism", f->CreateProjection(rm, square(), V(1, 0, 0), 3, true), 3);
    expectShape("oblique projection: a slanted prism of the same volume",
                f->CreateProjection(rm, square(), V(1, 1, 0), 2 * std::sqrt(2.0), true), 2, {0, 0, 0, 2, 3, 1});
    expectShape("a negative length projects the other way", f->CreateProjection(rm, square(), V(1, 0, 0), -3, true), 3,
                {-3, 0, 0, 0, 1, 1});
    auto halfCircle = [&](V normal, P from, P to) {
        return f->CreateArcByCenterNormal(nullptr, P(0, 0, 0), normal, from, to);
    };
    expectShape("an open profile capped closes along its chord: a half disc",
                f->CreateProjection(rm, halfCircle(V(1, 0, 0), P(0, 1, 0), P(0, -1, 0)), V(1, 0, 0), 1, true), kPi / 2);
    expectShape("a revolved line parallel to the axis closes through the feet of its ends",
                f->CreateRevolution(rm, lineAtHalf(), V(1, 0, 0), P(0, 0, 0), 2 * kPi, true), kPi * .25 * 2,
                {0, -.5, -.5, 2, .5, .5});
    expectShape(
        "a half circle with its ends on the axis: a sphere",
        f->CreateRevolution(rm, halfCircle(V(0, 0, 1), P(1, 0, 0), P(-1, 0, 0)), V(1, 0, 0), P(0, 0, 0), 2 * kPi, true),
        4 * kPi / 3);
    expectShape("a closed profile off the axis: a quarter ring",
                f->CreateRevolution(rm, rectangle(), V(1, 0, 0), P(0, 0, 0), kPi / 2, true), kPi * 3 / 4);
    expectShape("cone radii from the points on its circles",
                f->CreateCone(rm, P(0, 0, 0), P(0, 0, 2), P(1, 0, 0), P(0, .5, 2), true), frustum,
                {-1, -1, 0, 1, 1, 2});
    expectShape("cone with a top radius of 0", f->CreateCone(rm, P(0, 0, 0), P(3, 0, 0), P(0, 1, 0), P(3, 0, 0), true),
                kPi, {0, -1, -1, 3, 1, 1});
    expectShape("cone with a base radius of 0", f->CreateCone(rm, P(0, 0, 0), P(3, 0, 0), P(0, 0, 0), P(3, 1, 0), true),
                kPi);
    expectShape("cone of equal radii: a cylinder",
                f->CreateCone(rm, P(0, 0, 0), P(0, 1, 0), P(1, 0, 0), P(1, 1, 0), true), kPi);
    expectShape("torus about a long axis", f->CreateTorus(rm, P(1, 1, 1), V(0, 0, 3), V(1, 0, 0), 2, .5, true),
                2 * kPi * kPi * 2 * .25, {-1.5, -1.5, .5, 3.5, 3.5, 1.5});
    expectShape("ruled surface between coaxial circles: a frustum",
                f->CreateRuledSurface(rm, circle({0, 0, 0}, {1, 0, 0}, 1), circle({2, 0, 0}, {-1, 0, 0}, .5), true),
                frustum);
    expectShape("ruled surface between two rectangles: a frustum of a pyramid",
                f->CreateRuledSurface(rm, lowerRectangle(), upperRectangle(), true), (8 + 2 + 4) / 3.0);
    expectShape("a transform moves the shape", movedCylinder(), 2 * kPi, {0, 4, -1, 2, 6, 1});

    // Parallel circles off one axis: an oblique cone of the same volume as the straight one.
    auto oblique = f->CreateRuledSurface(rm, circle({0, 0, 0}, {1, 0, 0}, 1), circle({2, 1, 0}, {1, 0, 0}, .5), true);
    expectSolid(measureOf(oblique), frustum, 1e-4);
    expectBox(measureOf(oblique), {0, -1, -1, 2, 1.5, 1}, 1e-5);
}

TEST_F(Solids, UncappedCreationsAreValidSurfaces) {
    const std::vector<std::pair<const char*, std::function<host::ObjectPtr()>>> cases = {
        {"projection", [&] { return f->CreateProjection(rm, square(), V(1, 0, 0), 3, false); }},
        {"revolution", [&] { return f->CreateRevolution(rm, lineAtHalf(), V(1, 0, 0), P(0, 0, 0), 2 * kPi, false); }},
        {"cone", [&] { return f->CreateCone(rm, P(0, 0, 0), P(0, 0, 2), P(1, 0, 0), P(.5, 0, 2), false); }},
        {"ruled surface", [&] { return f->CreateRuledSurface(rm, lowerRectangle(), upperRectangle(), false); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        auto surface = make();
        EXPECT_EQ(recordOf(surface).outputKind(), refhost::OutputKind::Surface);
        EXPECT_TRUE(measureOf(surface).valid);
    }
    // The projected square is the tube-like shell.
    EXPECT_EQ(kernel::occShape(recordOf(cases[0].second()).shape()).ShapeType(), TopAbs_SHELL);
}

TEST_F(Solids, RecordTheirDefiningValues) {
    auto creationOf = [](const host::ObjectPtr& object) { return recordOf(object).creation(); };
    const auto quarter = creationOf(f->CreateRevolution(rm, rectangle(), V(1, 0, 0), P(0, 0, 0), kPi / 2, true));
    EXPECT_EQ(quarter.kind, "revolution");
    EXPECT_EQ(recordedText(quarter, "profile.kind"), "lineString");
    const auto torus = creationOf(f->CreateTorus(rm, P(1, 1, 1), V(0, 0, 3), V(1, 0, 0), 2, .5, true));
    EXPECT_EQ(torus.kind, "torus");
    EXPECT_EQ(recordedNumber(torus, "ringRadius"), 2);
    EXPECT_EQ(recordedNumber(torus, "tubeRadius"), .5);
    const auto ruled =
        creationOf(f->CreateRuledSurface(rm, circle({0, 0, 0}, {1, 0, 0}, 1), circle({2, 0, 0}, {-1, 0, 0}, .5), true));
    EXPECT_EQ(ruled.kind, "ruledSurface");
    EXPECT_EQ(recordedText(ruled, "first.kind"), "circle");
    EXPECT_EQ(recordedNumber(ruled, "second.radius"), .5);
    // A transform moves the record with the shape.
    const auto moved = creationOf(movedCylinder());
    expectNear(recordedTriple(moved, "profile.centre"), {0, 5, 0}, 1e-12);
    expectNear(recordedTriple(moved, "direction"), {1, 0, 0}, 1e-12);
    expectNear(recordedTriple(moved, "profile.normal"), {1, 0, 0}, 1e-12);
}

// A closed profile that touches itself at one point (the corners left between a square and the half
// circle inscribed in it) is projected as the two loops it is made of.
TEST(TouchingProfile, ProjectsAsTwoLoopsWithTheAreaBetweenSquareAndHalfCircle) {
    HostFixtureScope host;
    auto outputs = std::make_shared<refhost::RefOutputCollection>();
    auto f = host::runtime().CreateGeometryFactory();
    const double r = 0.03, length = 0.2;
    auto curves = host::runtime().CreateCollection();
    curves->Add(f->CreateLine(nullptr, {0, 0, r}, {0, r, r}));
    curves->Add(f->CreateLine(nullptr, {0, r, r}, {0, r, -r}));
    curves->Add(f->CreateLine(nullptr, {0, r, -r}, {0, 0, -r}));
    // The half circle touches the top line at (0, r, 0).
    curves->Add(f->CreateArcBy3Points(nullptr, {0, 0, -r}, {0, r, 0}, {0, 0, r}));
    DPosition start(0, 0, r);
    auto solid =
        geometry::PlaceProjection(outputs, geometry::PlaceTrCString(start, curves), DVector(-1, 0, 0), length, true);
    auto m = measureOf(solid);
    ASSERT_TRUE(m.valid);
    expectSolid(m, (2 * r * r - kPi * r * r / 2) * length);
    EXPECT_NEAR(m.bbox[0], -length, 1e-7);
    EXPECT_NEAR(m.bbox[4], r, 1e-7);
}

TEST(Measure, AnEmptyShapeIsEmpty) {
    auto measure = kernel::measureShape(TopoDS_Shape(), true);
    EXPECT_TRUE(measure.empty);
    EXPECT_FALSE(measure.valid);
}

// A creation made again in the same evaluation with the same defining values is the solid made the
// first time, moved where its object is moved: one kernel solid, two places. A different value, or a
// new evaluation, builds anew.
TEST_F(Solids, TheSameCreationAgainIsALocatedCopyOfTheFirst) {
    auto lug = [&](double length) {
        return f->CreateProjection(rm,
                                   f->CreateLineString(nullptr, 5, xyz(0, 1, 0, 0, 2, 0, 0, 2, 1, 0, 1, 1, 0, 1, 0)),
                                   V(1, 0, 0), length, true);
    };
    auto first = lug(0.5);
    auto copy = lug(0.5);
    host::DT4x4 turn;
    turn.rotate(kPi, V(1, 0, 0));
    copy->Transform(turn);
    const TopoDS_Shape& a = kernel::occShape(recordOf(first).shape());
    const TopoDS_Shape& b = kernel::occShape(recordOf(copy).shape());
    EXPECT_TRUE(a.IsPartner(b));
    EXPECT_FALSE(a.IsSame(b));
    // Each keeps its own place and the volume of the profile projected.
    const auto moved = measureOf(copy);
    EXPECT_NEAR(moved.bbox[1], -2, 1e-9);
    EXPECT_NEAR(moved.bbox[4], -1, 1e-9);
    EXPECT_NEAR(measureOf(first).bbox[1], 1, 1e-9);
    expectSolid(moved, 0.5);
    EXPECT_FALSE(a.IsPartner(kernel::occShape(recordOf(lug(0.25)).shape())));

    HostFixtureScope nextEvaluation;
    auto again = host::runtime().CreateGeometryFactory()->CreateProjection(
        rm, f->CreateLineString(nullptr, 5, xyz(0, 1, 0, 0, 2, 0, 0, 2, 1, 0, 1, 1, 0, 1, 0)), V(1, 0, 0), 0.5, true);
    EXPECT_FALSE(a.IsPartner(kernel::occShape(recordOf(again).shape())));
}

} // namespace
} // namespace tcv::test
