// Sweeps and skins: a swept circle stays a round tube through the corners of its path; a skin passes
// through its sections and follows its guides.
#include "refhost/GeometryHelpers.h"

namespace tcv::test {
namespace {

using host::DPosition;
using host::DVector;

class SweepsAndSkins : public ::testing::TestWithParam<bool> {
protected:
    HostFixtureScope host{hostOptions(GetParam())};
    host::GeometryFactoryPtr factory = host::runtime().CreateGeometryFactory();
    host::ResourceManagerPtr rm = std::make_shared<refhost::RefResourceManager>();
    bool building() const { return GetParam(); }

    host::CollectionPtr collect(const std::vector<host::ObjectPtr>& members) {
        auto collection = host::runtime().CreateCollection();
        for (const auto& m : members) collection->Add(m);
        return collection;
    }
};

// The equalizer pipe of the inclined-operator valves: a circle swept along a three-legged path.
TEST_P(SweepsAndSkins, SweptCircleIsARoundTubeOfTheSectionAlongThePath) {
    const double r = 0.02;
    const std::vector<DPosition> points{{0.5, 0, -0.1}, {0.5, 0, -0.4}, {0.1, 0.3, -0.4}, {0.1, 0.3, -0.1}};
    auto path = factory->CreateLineString(nullptr, 4, flatten(points));
    auto section = factory->CreateCircle(nullptr, points[0], DVector(0, 0, 1), r);
    host::ObjectPtr startCap, endCap;
    auto solids = factory->CreateSingleSweep(rm, path, section, 1, 2, startCap, endCap, 0);
    // Three straight legs and two bends.
    ASSERT_EQ(solids->Count(), 5);
    double volume = 0, centreLine = 0;
    std::array<double, 6> box{1e9, 1e9, 1e9, -1e9, -1e9, -1e9};
    for (int i = 1; i <= solids->Count(); ++i) {
        const auto& recorded = recordOf(solids->Item(i));
        EXPECT_EQ(recorded.outputKind(), refhost::OutputKind::Solid);
        const auto& creation = recorded.creation();
        EXPECT_EQ(creation.kind, "sweep");
        EXPECT_EQ(recordedNumber(creation, "member"), i);
        EXPECT_EQ(recordedNumber(creation, "section.radius"), r);
        if (!building()) {
            EXPECT_TRUE(recorded.shape().IsNull());
            continue;
        }
        auto m = measureOf(solids->Item(i));
        EXPECT_TRUE(m.valid) << i;
        volume += *m.volume;
        for (int k = 0; k < 3; ++k)
            box[k] = std::min(box[k], m.bbox[k]), box[k + 3] = std::max(box[k + 3], m.bbox[k + 3]);
    }
    if (!building()) return;
    // The tube's volume is the section times its centre line: the legs less what the bends cut off.
    const double bend = 3 * r;
    const double legs = 0.3 + 0.5 + 0.3;
    centreLine = legs - 2 * (2 * bend - bend * kPi / 2);
    EXPECT_NEAR(volume, kPi * r * r * centreLine, 1e-6 * volume);
    // Round through the corners: the tube ends are flat discs of the section's radius about the path ends.
    expectNear({box[0], box[1], box[2], box[3], box[4], box[5]}, {0.1 - r, -r, -0.4 - r, 0.5 + r, 0.3 + r, -0.1}, 1e-6,
               "tube box");
}

TEST_P(SweepsAndSkins, LegsTooShortForABendMeetInABall) {
    auto path = factory->CreateLineString(nullptr, 3, {0, 0, 0, 1, 0, 0, 1, 0.01, 0});
    auto section = factory->CreateCircle(nullptr, DPosition(0, 0, 0), DVector(1, 0, 0), 0.1);
    host::ObjectPtr startCap, endCap;
    auto solids = factory->CreateSingleSweep(rm, path, section, 1, 2, startCap, endCap, 0);
    ASSERT_EQ(solids->Count(), 3);
    EXPECT_EQ(std::get<std::string>(*recordOf(solids->Item(2)).creation().find("piece")), "ball");
    if (!building()) return;
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(measureOf(solids->Item(i)).valid);
}

// The lofted body of the nipple-end valves: two equal circles, a straight upper guide and a lower guide
// that bulges down to three quarters of the diameter.
TEST_P(SweepsAndSkins, GuidedSkinPassesThroughItsSectionsAndReachesTheGuidesExtreme) {
    const double P = 0.4, Q = 0.2;
    auto lowerParts = collect({
        factory->CreateLine(nullptr, DPosition(-P / 2, -Q / 2, 0), DPosition(-0.35 * P, -Q / 2, 0)),
        factory->CreateEllipticalArc(nullptr, DPosition(0, -Q / 2, 0), DVector(0, 0, 1), DVector(-0.35 * P, 0, 0),
                                     0.25 * Q / (0.35 * P), 0, kPi),
        factory->CreateLine(nullptr, DPosition(0.35 * P, -Q / 2, 0), DPosition(P / 2, -Q / 2, 0)),
    });
    std::vector<host::CurvePtr> lowerCurves;
    for (int i = 1; i <= 3; ++i) lowerCurves.push_back(std::dynamic_pointer_cast<host::ICurve>(lowerParts->Item(i)));
    auto lower = factory->CreateComplexString(nullptr, lowerCurves);
    auto upper = factory->CreateLine(nullptr, DPosition(-P / 2, Q / 2, 0), DPosition(P / 2, Q / 2, 0));
    auto sections = collect({
        factory->CreateCircleBy3Points(nullptr, DPosition(-P / 2, Q / 2, 0), DPosition(-P / 2, -Q / 2, 0),
                                       DPosition(-P / 2, 0, Q / 2)),
        factory->CreateCircleBy3Points(nullptr, DPosition(P / 2, Q / 2, 0), DPosition(P / 2, -Q / 2, 0),
                                       DPosition(P / 2, 0, Q / 2)),
    });
    for (bool capped : {false, true}) {
        SCOPED_TRACE(capped ? "capped" : "open");
        auto surfaces = factory->CreateSkin(rm, collect({lower, upper}), sections, capped ? 1 : 0);
        ASSERT_EQ(surfaces->Count(), 1);
        const auto& recorded = recordOf(surfaces->Item(1));
        EXPECT_EQ(recorded.outputKind(), capped ? refhost::OutputKind::Solid : refhost::OutputKind::Surface);
        const auto& creation = recorded.creation();
        EXPECT_EQ(creation.kind, "skin");
        EXPECT_EQ(recordedNumber(creation, "guideCount"), 2);
        EXPECT_EQ(std::get<std::string>(*creation.find("guide1.kind")), "complexString");
        EXPECT_EQ(std::get<std::string>(*creation.find("section2.kind")), "circle");
        if (!building()) continue;
        auto m = measureOf(surfaces->Item(1));
        EXPECT_TRUE(m.valid);
        // Ends at the sections, top along the upper guide, bottom at the lower guide's extreme.
        expectBox(m, {-P / 2, -0.75 * Q, -Q / 2, P / 2, Q / 2, Q / 2}, 2e-4 * Q);
        if (capped) {
            // More than the cylinder between the sections, less than the box around the bulge.
            EXPECT_GT(*m.volume, kPi * Q * Q / 4 * P * 1.05);
            EXPECT_LT(*m.volume, 1.25 * Q * Q * P);
        }
    }
}

// The jacket of the six-port valve: a circle of four arcs to a D-shaped section along four straight guides.
TEST_P(SweepsAndSkins, GuidedSkinBetweenUnlikeSectionsIsAClosedSolid) {
    const double L = 1, A = 0.2, B = 0.15, E = 0.24, pipe = 0.1;
    const double px = -0.25 * L, py = (A - pipe / 2) / 2, R = pipe / 2 + (A - pipe / 2) / 2, x2 = 0.3;
    auto arcs = {
        factory->CreateArcByCenter(nullptr, DPosition(px, py, 0), DPosition(px, py, R), DPosition(px, py + R, 0)),
        factory->CreateArcByCenter(nullptr, DPosition(px, py, 0), DPosition(px, py + R, 0), DPosition(px, py, -R)),
        factory->CreateArcByCenter(nullptr, DPosition(px, py, 0), DPosition(px, py, -R), DPosition(px, py - R, 0)),
        factory->CreateArcByCenter(nullptr, DPosition(px, py, 0), DPosition(px, py - R, 0), DPosition(px, py, R))};
    auto s1 = factory->CreateComplexString(nullptr, std::vector<host::CurvePtr>(arcs));
    auto s2 = factory->CreateComplexString(
        nullptr, {factory->CreateLine(nullptr, DPosition(x2, 0, E / 2), DPosition(x2, A, E / 2)),
                  factory->CreateLine(nullptr, DPosition(x2, A, E / 2), DPosition(x2, A, 0)),
                  factory->CreateLine(nullptr, DPosition(x2, A, 0), DPosition(x2, A, -E / 2)),
                  factory->CreateLine(nullptr, DPosition(x2, A, -E / 2), DPosition(x2, 0, -E / 2)),
                  factory->CreateEllipticalArc(nullptr, DPosition(x2, 0, 0), DVector(-1, 0, 0), DVector(0, 0, E / 2),
                                               2 * B / E, kPi, kPi / 2),
                  factory->CreateEllipticalArc(nullptr, DPosition(x2, 0, 0), DVector(-1, 0, 0), DVector(0, 0, E / 2),
                                               2 * B / E, 3 * kPi / 2, kPi / 2)});
    DPosition start, end;
    s2->EndPoints(start, end);
    expectNear(triple(end), triple(start), 1e-12, "the D shape closes");
    auto guides = collect({factory->CreateLine(nullptr, DPosition(px, py, R), DPosition(x2, 0, E / 2)),
                           factory->CreateLine(nullptr, DPosition(px, py + R, 0), DPosition(x2, A, 0)),
                           factory->CreateLine(nullptr, DPosition(px, py, -R), DPosition(x2, 0, -E / 2)),
                           factory->CreateLine(nullptr, DPosition(px, py - R, 0), DPosition(x2, -B, 0))});
    auto body = factory->CreateSkin(rm, guides, collect({s1, s2}), 1);
    ASSERT_EQ(body->Count(), 1);
    EXPECT_EQ(recordOf(body->Item(1)).outputKind(), refhost::OutputKind::Solid);
    if (!building()) return;
    auto m = measureOf(body->Item(1));
    EXPECT_TRUE(m.valid);
    expectBox(m, {px, -B, -R, x2, A, R}, 1e-3 * E);
    EXPECT_GT(*m.volume, 0);
}

// The main body of the skinned valves: three circles, the middle one lower and wider, along two
// B-spline profiles that do not pass exactly through the middle circle.
TEST_P(SweepsAndSkins, GuidedSkinThroughThreeSectionsKeepsToTheMiddleOne) {
    const double F = 0.4, OD = 0.1;
    auto spline = [&](std::vector<double> ys) {
        std::vector<double> poles;
        const double xs[] = {-0.5 * F, -0.25 * F, 0, 0.25 * F, 0.5 * F};
        for (int i = 0; i < 5; ++i) poles.insert(poles.end(), {xs[i], ys[static_cast<std::size_t>(i)] * OD, 0});
        return factory->CreateBSpline(nullptr, 4, 5, poles, {1, 1, 1, 1, 1}, {0, 0, 0, 0, 0.5, 1, 1, 1, 1}, false);
    };
    auto guides = collect({spline({0.5, 0.4, 0.7, 0.6, 0.5}), spline({-0.5, -0.85, -0.85, -0.5, -0.5})});
    auto sections = collect({factory->CreateCircle(nullptr, DPosition(-0.5 * F, 0, 0), DVector(1, 0, 0), OD / 2),
                             factory->CreateCircle(nullptr, DPosition(0, -0.075 * OD, 0), DVector(1, 0, 0), 0.775 * OD),
                             factory->CreateCircle(nullptr, DPosition(0.5 * F, 0, 0), DVector(1, 0, 0), OD / 2)});
    auto body = factory->CreateSkin(rm, guides, sections, 0);
    ASSERT_EQ(body->Count(), 1);
    EXPECT_EQ(recordOf(body->Item(1)).outputKind(), refhost::OutputKind::Surface);
    EXPECT_EQ(recordedNumber(recordOf(body->Item(1)).creation(), "sectionCount"), 3);
    if (!building()) return;
    auto m = measureOf(body->Item(1));
    EXPECT_TRUE(m.valid);
    // The middle circle is the widest place across the flow; the ends are the end circles.
    EXPECT_NEAR(m.bbox[0], -0.5 * F, 1e-6);
    EXPECT_NEAR(m.bbox[3], 0.5 * F, 1e-6);
    EXPECT_NEAR(m.bbox[5], 0.775 * OD, 1e-3 * OD);
    EXPECT_NEAR(m.bbox[2], -0.775 * OD, 1e-3 * OD);
    EXPECT_GE(m.bbox[4], 0.7 * OD - 1e-6);
    EXPECT_LE(m.bbox[1], -0.85 * OD + 1e-6);
}

// Sections far apart across the flow: the skin still ends at their planes and runs between them.
TEST_P(SweepsAndSkins, GuidedSkinBetweenOffsetSectionsEndsAtTheirPlanes) {
    const double r = 0.1, x = 0.2, y = 0.3;
    auto at = [](double a, double b, double c) { return DPosition(a, b, c); };
    auto sections = collect({factory->CreateCircle(nullptr, at(0, 0, 0), DVector(1, 0, 0), r),
                             factory->CreateCircle(nullptr, at(x, y, 0), DVector(1, 0, 0), r)});
    auto guides = collect({factory->CreateLine(nullptr, at(0, r, 0), at(x, y + r, 0)),
                           factory->CreateLine(nullptr, at(0, 0, r), at(x, y, r)),
                           factory->CreateLine(nullptr, at(0, -r, 0), at(x, y - r, 0)),
                           factory->CreateLine(nullptr, at(0, 0, -r), at(x, y, -r))});
    auto body = factory->CreateSkin(rm, guides, sections, 1);
    if (!building()) return;
    auto m = measureOf(body->Item(1));
    // A slanted cylinder: its volume is the section times the distance between the section planes.
    expectSolid(m, kPi * r * r * x, 1e-3);
    expectBox(m, {0, -r, -r, x, y + r, r}, 1e-6);
}

TEST_P(SweepsAndSkins, SkinWithoutGuidesLoftsThroughTheSections) {
    auto sections = collect({factory->CreateCircle(nullptr, DPosition(0, 0, 0), DVector(1, 0, 0), 0.5),
                             factory->CreateCircle(nullptr, DPosition(1, 0, 0), DVector(1, 0, 0), 0.5)});
    auto body = factory->CreateSkin(rm, host::runtime().CreateCollection(), sections, 1);
    ASSERT_EQ(body->Count(), 1);
    if (building()) expectSolid(measureOf(body->Item(1)), kPi / 4, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(BothModes, SweepsAndSkins, ::testing::Values(true, false), modeName);

} // namespace
} // namespace tcv::test
