// Persistent creations of the reference host: each makes the solid or surface it should, valid, with
// the expected box and volume, and records its defining values.
#include "refhost/GeometryHelpers.h"

namespace tcv::test {
namespace {

using host::DPosition;
using host::DVector;

class Solids : public ::testing::Test {
protected:
    HostFixtureScope host;
    host::GeometryFactoryPtr factory = host::runtime().CreateGeometryFactory();
    host::ResourceManagerPtr rm = std::make_shared<refhost::RefResourceManager>();

    host::CurvePtr circle(DPosition centre, DVector normal, double radius) {
        return factory->CreateCircle(nullptr, centre, normal, radius);
    }
    host::CurvePtr polyline(const std::vector<host::DPosition>& points) {
        return factory->CreateLineString(nullptr, static_cast<int>(points.size()), flatten(points));
    }
};

TEST_F(Solids, CappedProjectionOfACircleIsTheCylinderFromStartToEnd) {
    auto cylinder = factory->CreateProjection(rm, circle({-1, 0, 0}, {1, 0, 0}, 0.25), DVector(1, 0, 0), 2, true);
    EXPECT_EQ(recordOf(cylinder).outputKind(), refhost::OutputKind::Solid);
    auto m = measureOf(cylinder);
    expectSolid(m, kPi / 8);
    expectBox(m, {-1, -0.25, -0.25, 1, 0.25, 0.25});
    const auto& creation = recordOf(cylinder).creation();
    EXPECT_EQ(creation.kind, "projection");
    EXPECT_EQ(std::get<std::string>(*creation.find("profile.kind")), "circle");
    expectNear(recordedTriple(creation, "profile.centre"), {-1, 0, 0}, 0);
    expectNear(recordedTriple(creation, "direction"), {1, 0, 0}, 0);
    EXPECT_EQ(recordedNumber(creation, "length"), 2);
    EXPECT_EQ(recordedNumber(creation, "profile.radius"), 0.25);
    EXPECT_TRUE(std::get<bool>(*creation.find("capped")));
}

TEST_F(Solids, ProjectionsOfPolygonsAndOpenProfiles) {
    // A closed square projected, capped: a prism; obliquely: a slanted prism of the same volume.
    auto square = polyline({{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {0, 0, 0}});
    expectSolid(measureOf(factory->CreateProjection(rm, square, DVector(1, 0, 0), 3, true)), 3);
    auto slanted = factory->CreateProjection(rm, square, DVector(1, 1, 0), 2 * std::sqrt(2.0), true);
    expectSolid(measureOf(slanted), 2);
    expectBox(measureOf(slanted), {0, 0, 0, 2, 3, 1});
    // A negative length projects the other way.
    expectBox(measureOf(factory->CreateProjection(rm, square, DVector(1, 0, 0), -3, true)), {-3, 0, 0, 0, 1, 1});
    // Uncapped: the tube-like shell, a surface.
    auto shell = factory->CreateProjection(rm, square, DVector(1, 0, 0), 3, false);
    EXPECT_EQ(recordOf(shell).outputKind(), refhost::OutputKind::Surface);
    EXPECT_EQ(recordOf(shell).shape().ShapeType(), TopAbs_SHELL);
    EXPECT_TRUE(measureOf(shell).valid);
    // An open profile capped closes along its chord: a half disc.
    auto half = factory->CreateArcByCenterNormal(nullptr, DPosition(0, 0, 0), DVector(1, 0, 0), DPosition(0, 1, 0),
                                                 DPosition(0, -1, 0));
    expectSolid(measureOf(factory->CreateProjection(rm, half, DVector(1, 0, 0), 1, true)), kPi / 2);
}

TEST_F(Solids, CappedRevolutionsAreClosedSolids) {
    // An open profile parallel to the axis closes through the feet of its ends: a cylinder.
    auto line = factory->CreateLine(nullptr, DPosition(0, 0.5, 0), DPosition(2, 0.5, 0));
    auto cylinder = factory->CreateRevolution(rm, line, DVector(1, 0, 0), DPosition(0, 0, 0), 2 * kPi, true);
    EXPECT_EQ(recordOf(cylinder).outputKind(), refhost::OutputKind::Solid);
    expectSolid(measureOf(cylinder), kPi * 0.25 * 2);
    expectBox(measureOf(cylinder), {0, -0.5, -0.5, 2, 0.5, 0.5});
    // A profile whose ends lie on the axis needs nothing added: a sphere from a half circle.
    auto half = factory->CreateArcByCenterNormal(nullptr, DPosition(0, 0, 0), DVector(0, 0, 1), DPosition(1, 0, 0),
                                                 DPosition(-1, 0, 0));
    expectSolid(measureOf(factory->CreateRevolution(rm, half, DVector(1, 0, 0), DPosition(0, 0, 0), 2 * kPi, true)),
                4 * kPi / 3);
    // A closed profile off the axis: a ring of rectangular section, a quarter of it.
    auto rectangle = polyline({{0, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}, {0, 1, 0}});
    auto quarter = factory->CreateRevolution(rm, rectangle, DVector(1, 0, 0), DPosition(0, 0, 0), kPi / 2, true);
    expectSolid(measureOf(quarter), kPi * 3 / 4);
    const auto& creation = recordOf(quarter).creation();
    EXPECT_EQ(creation.kind, "revolution");
    EXPECT_EQ(recordedNumber(creation, "angle"), kPi / 2);
    EXPECT_EQ(std::get<std::string>(*creation.find("profile.kind")), "lineString");
    // Uncapped: a surface.
    auto surface = factory->CreateRevolution(rm, line, DVector(1, 0, 0), DPosition(0, 0, 0), 2 * kPi, false);
    EXPECT_EQ(recordOf(surface).outputKind(), refhost::OutputKind::Surface);
    EXPECT_TRUE(measureOf(surface).valid);
}

TEST_F(Solids, ConesTakeTheirRadiiFromThePointsOnTheirCircles) {
    auto frustum =
        factory->CreateCone(rm, DPosition(0, 0, 0), DPosition(0, 0, 2), DPosition(1, 0, 0), DPosition(0, 0.5, 2), true);
    expectSolid(measureOf(frustum), kPi * 2 / 3 * (1 + 0.5 + 0.25));
    expectBox(measureOf(frustum), {-1, -1, 0, 1, 1, 2});
    const auto& creation = recordOf(frustum).creation();
    EXPECT_EQ(recordedNumber(creation, "baseRadius"), 1);
    EXPECT_EQ(recordedNumber(creation, "topRadius"), 0.5);
    // A radius of 0 gives a point.
    auto pointed =
        factory->CreateCone(rm, DPosition(0, 0, 0), DPosition(3, 0, 0), DPosition(0, 1, 0), DPosition(3, 0, 0), true);
    expectSolid(measureOf(pointed), kPi);
    expectBox(measureOf(pointed), {0, -1, -1, 3, 1, 1});
    auto pointedBase =
        factory->CreateCone(rm, DPosition(0, 0, 0), DPosition(3, 0, 0), DPosition(0, 0, 0), DPosition(3, 1, 0), true);
    expectSolid(measureOf(pointedBase), kPi);
    // Equal radii: a cylinder; uncapped: the lateral surface only.
    expectSolid(measureOf(factory->CreateCone(rm, DPosition(0, 0, 0), DPosition(0, 1, 0), DPosition(1, 0, 0),
                                              DPosition(1, 1, 0), true)),
                kPi);
    auto open = factory->CreateCone(rm, DPosition(0, 0, 0), DPosition(0, 0, 2), DPosition(1, 0, 0),
                                    DPosition(0.5, 0, 2), false);
    EXPECT_EQ(recordOf(open).outputKind(), refhost::OutputKind::Surface);
    EXPECT_TRUE(measureOf(open).valid);
}

TEST_F(Solids, TorusLiesAroundItsAxis) {
    const double ring = 2, tube = 0.5;
    auto torus = factory->CreateTorus(rm, DPosition(1, 1, 1), DVector(0, 0, 3), DVector(1, 0, 0), ring, tube, true);
    auto m = measureOf(torus);
    expectSolid(m, 2 * kPi * kPi * ring * tube * tube);
    expectBox(m, {-1.5, -1.5, 0.5, 3.5, 3.5, 1.5});
    const auto& creation = recordOf(torus).creation();
    EXPECT_EQ(creation.kind, "torus");
    EXPECT_EQ(recordedNumber(creation, "ringRadius"), ring);
    EXPECT_EQ(recordedNumber(creation, "tubeRadius"), tube);
}

TEST_F(Solids, RuledSurfacesBetweenCirclesAndPlanes) {
    // Coaxial circles: a frustum.
    auto frustum =
        factory->CreateRuledSurface(rm, circle({0, 0, 0}, {1, 0, 0}, 1), circle({2, 0, 0}, {-1, 0, 0}, 0.5), true);
    expectSolid(measureOf(frustum), kPi * 2 / 3 * (1 + 0.5 + 0.25));
    const auto& creation = recordOf(frustum).creation();
    EXPECT_EQ(creation.kind, "ruledSurface");
    EXPECT_EQ(std::get<std::string>(*creation.find("first.kind")), "circle");
    EXPECT_EQ(recordedNumber(creation, "second.radius"), 0.5);
    // Parallel circles off one axis: an oblique cone of the same volume as the straight one.
    auto oblique =
        factory->CreateRuledSurface(rm, circle({0, 0, 0}, {1, 0, 0}, 1), circle({2, 1, 0}, {1, 0, 0}, 0.5), true);
    expectSolid(measureOf(oblique), kPi * 2 / 3 * (1 + 0.5 + 0.25), 1e-4);
    expectBox(measureOf(oblique), {0, -1, -1, 2, 1.5, 1}, 1e-5);
    // Two rectangles: a frustum of a pyramid.
    auto lower = factory->CreatePlane(nullptr, 5, {-2, 0, -1, -2, 0, 1, 2, 0, 1, 2, 0, -1, -2, 0, -1});
    auto upper = factory->CreatePlane(nullptr, 5, {-1, 1, -0.5, -1, 1, 0.5, 1, 1, 0.5, 1, 1, -0.5, -1, 1, -0.5});
    auto pyramid = factory->CreateRuledSurface(rm, lower, upper, true);
    EXPECT_EQ(recordOf(pyramid).outputKind(), refhost::OutputKind::Solid);
    expectSolid(measureOf(pyramid), (8 + 2 + 4) / 3.0);
    // Uncapped: the side surface.
    auto sides = factory->CreateRuledSurface(rm, lower, upper, false);
    EXPECT_EQ(recordOf(sides).outputKind(), refhost::OutputKind::Surface);
    EXPECT_TRUE(measureOf(sides).valid);
}

TEST_F(Solids, TransformMovesTheShapeAndItsRecord) {
    auto cylinder = factory->CreateProjection(rm, circle({0, 0, 0}, {0, 0, 1}, 1), DVector(0, 0, 1), 2, true);
    host::DT4x4 move;
    move.rotate(kPi / 2, DVector(0, 1, 0));
    move.translate(DVector(0, 5, 0));
    cylinder->Transform(move);
    auto m = measureOf(cylinder);
    expectSolid(m, 2 * kPi);
    expectBox(m, {0, 4, -1, 2, 6, 1});
    const auto& creation = recordOf(cylinder).creation();
    expectNear(recordedTriple(creation, "profile.centre"), {0, 5, 0}, 1e-12);
    expectNear(recordedTriple(creation, "direction"), {1, 0, 0}, 1e-12);
    expectNear(recordedTriple(creation, "profile.normal"), {1, 0, 0}, 1e-12);
}

TEST(Measure, AnEmptyShapeIsEmpty) {
    auto measure = refhost::measureShape(TopoDS_Shape(), true);
    EXPECT_TRUE(measure.empty);
    EXPECT_FALSE(measure.valid);
}

} // namespace
} // namespace tcv::test
