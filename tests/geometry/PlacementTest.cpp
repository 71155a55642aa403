// The geometry routines of the symbol through the reference host: the solids they place, the values the
// host records of them, the profile curves they chain, and the failures they report.
#include "support/GeometryHelpers.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/refhost/OutputCollection.h"

namespace tcv::test {

using host::DPosition;
using host::DVector;
namespace {

void expectTriple(const std::vector<double>& actual, std::vector<double> expected, double tolerance = 1e-12) {
    expectNear(actual, expected, tolerance);
}

void expectBox(const refhost::ShapeMeasure& m, std::array<double, 6> box) {
    EXPECT_TRUE(m.valid);
    tcv::test::expectBox(m, box, 1e-6);
}

// Expects the call to fail with the generic failure.
template <class Call>
void expectGenericFailure(Call&& call) {
    try {
        call();
        ADD_FAILURE() << "no host error";
    } catch (const host::HostError& error) {
        EXPECT_EQ(error.code(), host::kGenericFailure) << error.what();
    }
}

class Placement : public ::testing::Test {
protected:
    HostFixtureScope host;
    std::shared_ptr<refhost::RefOutputCollection> outputs = std::make_shared<refhost::RefOutputCollection>();
    host::GeometryFactoryPtr factory = host::runtime().CreateGeometryFactory();

    host::CollectionPtr collect(const std::vector<host::ObjectPtr>& members) {
        auto collection = host::runtime().CreateCollection();
        for (const auto& m : members) collection->Add(m);
        return collection;
    }
};

TEST_F(Placement, CylinderRunsFromStartToEndWithTheDiameter) {
    auto cylinder = geometry::PlaceCylinder(outputs, DPosition(-1, 0, 0), DPosition(1, 0, 0), 0.5, true);
    auto m = measureOf(cylinder);
    ASSERT_TRUE(m.volume);
    EXPECT_NEAR(*m.volume, kPi / 8, 1e-9);
    expectBox(m, {-1, -0.25, -0.25, 1, 0.25, 0.25});
    // What the host recorded: a projection of a circle centred at the start, along the axis by its length.
    const auto& creation = recordOf(cylinder).creation();
    EXPECT_EQ(creation.kind, "projection");
    expectTriple(recordedTriple(creation, "profile.centre"), {-1, 0, 0});
    expectTriple(recordedTriple(creation, "profile.normal"), {1, 0, 0});
    EXPECT_DOUBLE_EQ(2 * recordedNumber(creation, "profile.radius"), 0.5);
    const auto direction = recordedTriple(creation, "direction");
    const double length = recordedNumber(creation, "length");
    expectTriple({-1 + direction[0] * length, direction[1] * length, direction[2] * length}, {1, 0, 0});
    // A cylinder with no length fails with the generic failure.
    expectGenericFailure([&] { geometry::PlaceCylinder(outputs, DPosition(1, 1, 1), DPosition(1, 1, 1), 0.5, true); });
}

TEST_F(Placement, ConeWithATopRadiusOf0IsAFullCone) {
    auto cone = geometry::PlaceCone(outputs, DPosition(0, 0, 0), DPosition(0, 2, 0), 0.5, 0, true);
    auto m = measureOf(cone);
    ASSERT_TRUE(m.volume);
    EXPECT_NEAR(*m.volume, kPi * 0.25 * 2 / 3, 1e-9);
    expectBox(m, {-0.5, 0, -0.5, 0.5, 2, 0.5});
    const auto& creation = recordOf(cone).creation();
    EXPECT_EQ(recordedNumber(creation, "baseRadius"), 0.5);
    EXPECT_EQ(recordedNumber(creation, "topRadius"), 0);
    expectGenericFailure([&] { geometry::PlaceCone(outputs, DPosition(0, 0, 0), DPosition(0, 0, 0), 0.5, 0.2, true); });
}

TEST_F(Placement, TorusLiesAroundItsAxisAndNothingBelowTheTolerance) {
    EXPECT_EQ(geometry::PlaceTorus(outputs, DPosition(0, 0, 0), DVector(0, 0, 0), 1, 0.1), nullptr);
    EXPECT_EQ(geometry::PlaceTorus(outputs, DPosition(0, 0, 0), DVector(5e-8, 0, 0), 1, 0.1), nullptr);
    auto torus = geometry::PlaceTorus(outputs, DPosition(0, 1, 0), DVector(0, 0, 1), 1, 0.1);
    ASSERT_NE(torus, nullptr);
    auto m = measureOf(torus);
    ASSERT_TRUE(m.volume);
    EXPECT_NEAR(*m.volume, 2 * kPi * kPi * 1 * 0.01, 1e-9);
    expectBox(m, {-1.1, -0.1, -0.1, 1.1, 2.1, 0.1});
    expectTriple(recordedTriple(recordOf(torus).creation(), "majorDirection"), {0, 1, 0});
}

TEST_F(Placement, NSidedPrismOfFourSidesIsASquareAboutTheXAxis) {
    auto prism = geometry::PlaceNSidedPrism(outputs, 4, 2, 3, true);
    const auto& creation = recordOf(prism).creation();
    const auto& points = std::get<std::vector<double>>(*creation.find("profile.points"));
    ASSERT_EQ(points.size(), 15u);
    const std::vector<std::vector<double>> expected{{0, 1, 1}, {0, -1, 1}, {0, -1, -1}, {0, 1, -1}, {0, 1, 1}};
    for (std::size_t i = 0; i < 5; ++i)
        expectTriple({points[3 * i], points[3 * i + 1], points[3 * i + 2]}, expected[i], 1e-12);
    auto m = measureOf(prism);
    ASSERT_TRUE(m.volume);
    EXPECT_NEAR(*m.volume, 12, 1e-9);
    expectBox(m, {0, -1, -1, 3, 1, 1});
}

TEST(PerpendicularVector, CrossesWithTheAxisOfTheSmallestComponent) {
    struct Case {
        double x, y, z;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        {1, 0, 0, {0, -1, 0}}, // crosses (0, 0, 1): along the Y axis
        {0, 0, 1, {0, 1, 0}},  // crosses (1, 0, 0)
        {1, 1, 1, {1, -1, 0}}, // equal components choose (0, 0, 1)
        {2, 1, 3, {-3, 0, 2}}, // chooses (0, 1, 0)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x << ", " << c.y << ", " << c.z);
        const DVector v = geometry::GetPerpendicularVector(c.x, c.y, c.z);
        expectTriple({v.x(), v.y(), v.z()}, c.expected);
        EXPECT_NEAR(v.x() * c.x + v.y() * c.y + v.z() * c.z, 0, 1e-12);
    }
}

TEST_F(Placement, BoxWithProjectionGivesOneBoxForEitherCornerOrder) {
    for (bool swapped : {false, true}) {
        SCOPED_TRACE(swapped ? "swapped" : "as given");
        const DPosition a(1, -1, -1), b(-1, 1, 1);
        auto box = swapped ? geometry::CreateBoxWithProjection(outputs, b, a)
                           : geometry::CreateBoxWithProjection(outputs, a, b);
        auto m = measureOf(box);
        ASSERT_TRUE(m.volume);
        EXPECT_NEAR(*m.volume, 8, 1e-9);
        expectBox(m, {-1, -1, -1, 1, 1, 1});
        const auto& creation = recordOf(box).creation();
        EXPECT_TRUE(std::get<bool>(*creation.find("capped")));
        EXPECT_EQ(recordedNumber(creation, "length"), 2);
        // The rectangle lies at the first corner's x and is projected towards the second.
        expectTriple(recordedTriple(creation, "direction"), {swapped ? 1.0 : -1.0, 0, 0});
        EXPECT_EQ(std::get<std::vector<double>>(*creation.find("profile.points"))[0], swapped ? -1 : 1);
    }
}

TEST_F(Placement, BoxSymbolIsPlacedBetweenTheCorners) {
    auto box = geometry::PlaceBox(outputs, DPosition(0, 0, 0), DPosition(1, 2, -3));
    const auto& creation = recordOf(box).creation();
    EXPECT_EQ(creation.kind, "box");
    expectTriple(recordedTriple(creation, "corner2"), {1, 2, -3});
    auto m = measureOf(box);
    ASSERT_TRUE(m.volume);
    EXPECT_NEAR(*m.volume, 6, 1e-9);
    expectGenericFailure([&] { geometry::PlaceBox(outputs, DPosition(0, 0, 0), DPosition(1, 0, 1)); });
}

TEST_F(Placement, TrCStringChainsTheCurvesEndToStartAndMovesTheStartPoint) {
    auto line = factory->CreateLine(nullptr, DPosition(5, 5, 0), DPosition(6, 5, 0));
    auto arc = factory->CreateArcByCenter(nullptr, DPosition(0, 1, 0), DPosition(0, 0, 0), DPosition(1, 1, 0));
    DPosition start(0, 0, 0);
    auto string = geometry::PlaceTrCString(start, collect({line, arc}));
    expectTriple(triple(start), {2, 1, 0});
    DPosition s, e;
    line->EndPoints(s, e);
    expectTriple(triple(s), {0, 0, 0});
    expectTriple(triple(e), {1, 0, 0});
    string->EndPoints(s, e);
    expectTriple(triple(s), {0, 0, 0});
    expectTriple(triple(e), {2, 1, 0});
    const auto& creation = recordOf(string).creation();
    EXPECT_EQ(recordedNumber(creation, "count"), 2);
    expectTriple(recordedTriple(creation, "curve2.centre"), {1, 1, 0});

    // A single line from (5, 5, 0) to (6, 5, 0) chained from the origin.
    auto single = factory->CreateLine(nullptr, DPosition(5, 5, 0), DPosition(6, 5, 0));
    DPosition origin(0, 0, 0);
    geometry::PlaceTrCString(origin, collect({single}));
    single->EndPoints(s, e);
    expectTriple(triple(s), {0, 0, 0});
    expectTriple(triple(e), {1, 0, 0});
    expectTriple(triple(origin), {1, 0, 0});
}

TEST_F(Placement, TrCStringStopsAtTheFirstCurveWhoseEndsMeet) {
    auto first = factory->CreateLine(nullptr, DPosition(0, 0, 0), DPosition(1, 0, 0));
    auto degenerate = factory->CreateLine(nullptr, DPosition(3, 3, 3), DPosition(3, 3, 3 + 5e-8));
    auto later = factory->CreateLine(nullptr, DPosition(0, 0, 0), DPosition(0, 1, 0));
    DPosition start(0, 0, 1);
    auto string = geometry::PlaceTrCString(start, collect({first, degenerate, later}));
    EXPECT_EQ(recordedNumber(recordOf(string).creation(), "count"), 1);
    expectTriple(triple(start), {1, 0, 1});
    DPosition s, e;
    later->EndPoints(s, e);
    expectTriple(triple(s), {0, 0, 0}); // left where it was

    // A full circle ends the chain at once; an empty collection gives a string of no curves.
    auto circle = factory->CreateCircle(nullptr, DPosition(0, 0, 0), DVector(0, 0, 1), 1);
    DPosition from(0, 0, 0);
    EXPECT_EQ(recordedNumber(recordOf(geometry::PlaceTrCString(from, collect({circle, first}))).creation(), "count"),
              0);
    EXPECT_EQ(recordedNumber(recordOf(geometry::PlaceTrCString(from, collect({}))).creation(), "count"), 0);
    expectTriple(triple(from), {0, 0, 0});
}

TEST_F(Placement, TrBsplineIsAClampedUniformCurveOfTheOrderItCanHave) {
    int order = 4;
    EXPECT_EQ(geometry::PlaceTrBspline(order, {DPosition(0, 0, 0), DPosition(1, 0, 0), DPosition(2, 0, 0)}), nullptr);

    order = 7;
    const std::vector<DPosition> points{{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}, {4, 0, 0}, {5, 1, 0}};
    auto curve = geometry::PlaceTrBspline(order, points);
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(order, 4);
    const auto& creation = recordOf(curve).creation();
    EXPECT_EQ(creation.kind, "bspline");
    EXPECT_EQ(recordedNumber(creation, "order"), 4);
    const auto& knots = std::get<std::vector<double>>(*creation.find("knots"));
    const std::vector<double> expected{0, 0, 0, 0, 1.0 / 3, 2.0 / 3, 1, 1, 1, 1};
    ASSERT_EQ(knots.size(), expected.size());
    for (std::size_t i = 0; i < knots.size(); ++i) EXPECT_NEAR(knots[i], expected[i], 1e-15) << i;
    EXPECT_EQ(std::get<std::vector<double>>(*creation.find("weights")), std::vector<double>(6, 1.0));
    DPosition s, e;
    curve->EndPoints(s, e);
    expectTriple(triple(s), {0, 0, 0});
    expectTriple(triple(e), {5, 1, 0});
}

TEST_F(Placement, RevolutionAndProjectionPassTheirValuesAndReportFailuresAsTheGenericOne) {
    auto line = factory->CreateLine(nullptr, DPosition(0, 1, 0), DPosition(2, 1, 0));
    auto revolution = geometry::PlaceRevolution(outputs, line, DVector(1, 0, 0), DPosition(0, 0, 0), 2 * kPi, true);
    auto m = measureOf(revolution);
    ASSERT_TRUE(m.volume);
    EXPECT_NEAR(*m.volume, 2 * kPi, 1e-9);
    EXPECT_EQ(recordedNumber(recordOf(revolution).creation(), "angle"), 2 * kPi);
    auto circle = factory->CreateCircle(nullptr, DPosition(0, 0, 0), DVector(0, 1, 0), 1);
    auto projection = geometry::PlaceProjection(outputs, circle, DVector(0, 1, 0), 2, false);
    EXPECT_EQ(recordOf(projection).outputKind(), refhost::OutputKind::Surface);
    expectGenericFailure([&] { geometry::PlaceProjection(outputs, circle, DVector(0, 0, 0), 2, true); });
    expectGenericFailure(
        [&] { geometry::PlaceRevolution(outputs, line, DVector(1, 0, 0), DPosition(0, 0, 0), 0, true); });
}

} // namespace
} // namespace tcv::test
