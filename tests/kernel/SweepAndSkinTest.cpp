// Sweeps and skins: a swept circle stays a round tube through the corners of its path; a skin passes
// through its sections and follows its guides.
#include "support/GeometryHelpers.h"

namespace tcv::test {
namespace {

using P = host::DPosition;
using V = host::DVector;

class SweepsAndSkins : public ::testing::TestWithParam<bool> {
protected:
    HostFixtureScope host{hostOptions(GetParam())};
    host::GeometryFactoryPtr f = host::runtime().CreateGeometryFactory();
    host::ResourceManagerPtr rm = std::make_shared<refhost::RefResourceManager>();
    bool building() const { return GetParam(); }

    template <class... Members>
    host::CollectionPtr collect(const Members&... members) {
        auto collection = host::runtime().CreateCollection();
        (collection->Add(members), ...);
        return collection;
    }
    host::CurvePtr line(P from, P to) { return f->CreateLine(nullptr, from, to); }
};

// The equalizer pipe of the inclined-operator valves: a circle swept along a three-legged path.
TEST_P(SweepsAndSkins, SweptCircleIsARoundTubeOfTheSectionAlongThePath) {
    const double r = 0.02;
    auto path = f->CreateLineString(nullptr, 4, xyz(0.5, 0, -0.1, 0.5, 0, -0.4, 0.1, 0.3, -0.4, 0.1, 0.3, -0.1));
    host::ObjectPtr startCap, endCap;
    auto solids = f->CreateSingleSweep(rm, path, f->CreateCircle(nullptr, P(0.5, 0, -0.1), V(0, 0, 1), r), 1, 2,
                                       startCap, endCap, 0);
    // Three straight legs and two bends.
    ASSERT_EQ(solids->Count(), 5);
    double volume = 0;
    std::vector<double> box{1e9, 1e9, 1e9, -1e9, -1e9, -1e9};
    for (int i = 1; i <= solids->Count(); ++i) {
        SCOPED_TRACE(i);
        const auto& recorded = recordOf(solids->Item(i));
        EXPECT_EQ(recorded.outputKind(), refhost::OutputKind::Solid);
        EXPECT_EQ(recorded.creation().kind, "sweep");
        EXPECT_EQ(recordedNumber(recorded.creation(), "member"), i);
        EXPECT_EQ(recordedNumber(recorded.creation(), "section.radius"), r);
        EXPECT_EQ((recorded.shape() == nullptr), !building());
        if (!building()) continue;
        auto m = measureOf(solids->Item(i));
        EXPECT_TRUE(m.valid);
        volume += *m.volume;
        for (int k = 0; k < 3; ++k)
            box[k] = std::min(box[k], m.bbox[k]), box[k + 3] = std::max(box[k + 3], m.bbox[k + 3]);
    }
    if (!building()) return;
    // The tube's volume is the section times its centre line: the legs less what the bends cut off.
    const double bend = 3 * r, centreLine = 0.3 + 0.5 + 0.3 - 2 * (2 * bend - bend * kPi / 2);
    EXPECT_NEAR(volume, kPi * r * r * centreLine, 1e-6 * volume);
    // Round through the corners: the tube ends are flat discs of the section's radius about the path ends.
    expectNear(box, {0.1 - r, -r, -0.4 - r, 0.5 + r, 0.3 + r, -0.1}, 1e-6, "tube box");
}

TEST_P(SweepsAndSkins, LegsTooShortForABendMeetInABall) {
    auto path = f->CreateLineString(nullptr, 3, xyz(0, 0, 0, 1, 0, 0, 1, 0.01, 0));
    host::ObjectPtr startCap, endCap;
    auto solids = f->CreateSingleSweep(rm, path, f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), 0.1), 1, 2, startCap,
                                       endCap, 0);
    ASSERT_EQ(solids->Count(), 3);
    EXPECT_EQ(recordedText(recordOf(solids->Item(2)).creation(), "piece"), "ball");
    if (!building()) return;
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(measureOf(solids->Item(i)).valid);
}

// The lofted body of the nipple-end valves: two equal circles, a straight upper guide and a lower guide
// that bulges down to three quarters of the diameter.
TEST_P(SweepsAndSkins, GuidedSkinPassesThroughItsSectionsAndReachesTheGuidesExtreme) {
    const double L = 0.4, D = 0.2;
    auto lower =
        f->CreateComplexString(nullptr, {line(P(-L / 2, -D / 2, 0), P(-0.35 * L, -D / 2, 0)),
                                         f->CreateEllipticalArc(nullptr, P(0, -D / 2, 0), V(0, 0, 1),
                                                                V(-0.35 * L, 0, 0), 0.25 * D / (0.35 * L), 0, kPi),
                                         line(P(0.35 * L, -D / 2, 0), P(L / 2, -D / 2, 0))});
    auto upper = line(P(-L / 2, D / 2, 0), P(L / 2, D / 2, 0));
    auto sections =
        collect(f->CreateCircleBy3Points(nullptr, P(-L / 2, D / 2, 0), P(-L / 2, -D / 2, 0), P(-L / 2, 0, D / 2)),
                f->CreateCircleBy3Points(nullptr, P(L / 2, D / 2, 0), P(L / 2, -D / 2, 0), P(L / 2, 0, D / 2)));
    for (bool capped : {false, true}) {
        SCOPED_TRACE(capped ? "capped" : "open");
        auto surfaces = f->CreateSkin(rm, collect(lower, upper), sections, capped ? 1 : 0);
        ASSERT_EQ(surfaces->Count(), 1);
        const auto& recorded = recordOf(surfaces->Item(1));
        EXPECT_EQ(recorded.outputKind(), capped ? refhost::OutputKind::Solid : refhost::OutputKind::Surface);
        EXPECT_EQ(recorded.creation().kind, "skin");
        EXPECT_EQ(recordedNumber(recorded.creation(), "guideCount"), 2);
        EXPECT_EQ(recordedText(recorded.creation(), "guide1.kind"), "complexString");
        EXPECT_EQ(recordedText(recorded.creation(), "section2.kind"), "circle");
        if (!building()) continue;
        auto m = measureOf(surfaces->Item(1));
        EXPECT_TRUE(m.valid);
        // Ends at the sections, top along the upper guide, bottom at the lower guide's extreme.
        expectBox(m, {-L / 2, -0.75 * D, -D / 2, L / 2, D / 2, D / 2}, 2e-4 * D);
        if (capped) {
            // More than the cylinder between the sections, less than the box around the bulge.
            EXPECT_GT(*m.volume, kPi * D * D / 4 * L * 1.05);
            EXPECT_LT(*m.volume, 1.25 * D * D * L);
        }
    }
}

// The jacket of the six-port valve: a circle of four arcs to a D-shaped section along four straight guides.
TEST_P(SweepsAndSkins, GuidedSkinBetweenUnlikeSectionsIsAClosedSolid) {
    const double A = 0.2, B = 0.15, E = 0.24, pipe = 0.1;
    const double px = -0.25, py = (A - pipe / 2) / 2, R = pipe / 2 + (A - pipe / 2) / 2, x2 = 0.3;
    const P c(px, py, 0), top(px, py, R), side(px, py + R, 0), bottom(px, py, -R), back(px, py - R, 0);
    auto s1 = f->CreateComplexString(
        nullptr, {f->CreateArcByCenter(nullptr, c, top, side), f->CreateArcByCenter(nullptr, c, side, bottom),
                  f->CreateArcByCenter(nullptr, c, bottom, back), f->CreateArcByCenter(nullptr, c, back, top)});
    auto half = [&](double from) {
        return f->CreateEllipticalArc(nullptr, P(x2, 0, 0), V(-1, 0, 0), V(0, 0, E / 2), 2 * B / E, from, kPi / 2);
    };
    auto s2 = f->CreateComplexString(nullptr, {line(P(x2, 0, E / 2), P(x2, A, E / 2)),
                                               line(P(x2, A, E / 2), P(x2, A, 0)), line(P(x2, A, 0), P(x2, A, -E / 2)),
                                               line(P(x2, A, -E / 2), P(x2, 0, -E / 2)), half(kPi), half(3 * kPi / 2)});
    P start, end;
    s2->EndPoints(start, end);
    expectNear(triple(end), triple(start), 1e-12, "the D shape closes");
    auto guides = collect(line(top, P(x2, 0, E / 2)), line(side, P(x2, A, 0)), line(bottom, P(x2, 0, -E / 2)),
                          line(back, P(x2, -B, 0)));
    auto body = f->CreateSkin(rm, guides, collect(s1, s2), 1);
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
        return f->CreateBSpline(nullptr, 4, 5, poles, xyz(1, 1, 1, 1, 1), xyz(0, 0, 0, 0, 0.5, 1, 1, 1, 1), false);
    };
    auto guides = collect(spline({0.5, 0.4, 0.7, 0.6, 0.5}), spline({-0.5, -0.85, -0.85, -0.5, -0.5}));
    auto sections = collect(f->CreateCircle(nullptr, P(-0.5 * F, 0, 0), V(1, 0, 0), OD / 2),
                            f->CreateCircle(nullptr, P(0, -0.075 * OD, 0), V(1, 0, 0), 0.775 * OD),
                            f->CreateCircle(nullptr, P(0.5 * F, 0, 0), V(1, 0, 0), OD / 2));
    auto body = f->CreateSkin(rm, guides, sections, 0);
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

// Sections far apart across the flow: the skin still ends at their planes and runs between them. Without
// guides, a skin lofts straight through its sections.
TEST_P(SweepsAndSkins, SkinsBetweenOffsetSectionsOrWithoutGuides) {
    const double r = 0.1, x = 0.2, y = 0.3;
    auto sections = collect(f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), r),
                            f->CreateCircle(nullptr, P(x, y, 0), V(1, 0, 0), r));
    auto guides = collect(line(P(0, r, 0), P(x, y + r, 0)), line(P(0, 0, r), P(x, y, r)),
                          line(P(0, -r, 0), P(x, y - r, 0)), line(P(0, 0, -r), P(x, y, -r)));
    auto slanted = f->CreateSkin(rm, guides, sections, 1);
    auto straight = f->CreateSkin(rm, collect(),
                                  collect(f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), 0.5),
                                          f->CreateCircle(nullptr, P(1, 0, 0), V(1, 0, 0), 0.5)),
                                  1);
    ASSERT_EQ(straight->Count(), 1);
    if (!building()) return;
    // A slanted cylinder: its volume is the section times the distance between the section planes.
    auto m = measureOf(slanted->Item(1));
    expectSolid(m, kPi * r * r * x, 1e-3);
    expectBox(m, {0, -r, -r, x, y + r, r}, 1e-6);
    expectSolid(measureOf(straight->Item(1)), kPi / 4, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(BothModes, SweepsAndSkins, ::testing::Values(true, false), modeName);

} // namespace
} // namespace tcv::test
