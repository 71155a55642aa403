// Insulation graphics of the jacketed six-port body (2381), the covered bore bodies (5, 10, 13), the
// angled-branch valves (385, 386, 387), the four-port jacketed bodies (3124, 3125, 3146) and the
// five-port domed body (3183): outputs and their order, the envelopes' extents and the failures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/MultiPortParts.h"
#include "support/TestSupport.h"

namespace tcv::test {
namespace {

using namespace multi_port;

refhost::AspectResult insulation(const refhost::PartSpec& partSpec) {
    return refhost::evaluateAspect(partSpec, "Insulation");
}

using Names = std::vector<std::string>;

// ---- Every sample part: outputs in order, all shapes valid ----------------------------------------

struct Layout {
    std::int32_t partDataBasis;
    Names names; // "InsulatedBody2_" stands for every surface of the insulated jacket
};

const Names kCovered = {"InsulatedBody", "InsOutput2", "InsPNoz1", "InsPNoz2"};
const Layout kLayouts[] = {
    {2381, {"InsulatedBody", "InsulatedBody1", "InsulatedBody2_", "InsulatedBody3", "InsulatedBody4"}},
    {5, kCovered},
    {10, kCovered},
    {13, kCovered},
    {385, kCovered},
    {386, kCovered},
    {387, kCovered},
    {3124, {"InsulatedBody", "InsOutput2", "InsOutput3", "InsOutput4", "InsOutput5", "InsOutput6", "InsOutput7"}},
    {3125, {"InsulatedBody", "InsOutput2", "InsOutput3", "InsOutput4", "InsOutput5", "InsOutput6", "InsOutput7"}},
    {3146, {"InsulatedBody", "InsOutput2", "InsOutput3", "InsOutput4", "InsOutput5", "InsOutput6", "InsOutput7"}},
    {3183, {"InsOutput1", "InsOutput2", "InsOutput3", "InsulatedBody", "InsPNoz1", "InsPNoz2", "InsPNoz3", "InsPNoz4"}},
};

class SampleInsulation : public ::testing::TestWithParam<Layout> {};

TEST_P(SampleInsulation, AddsItsOutputsInOrderAllValid) {
    HostFixtureScope host;
    const auto result = insulation(samplePart(GetParam().partDataBasis));
    ASSERT_TRUE(result.ok) << result.errorText;
    Names expected;
    for (const auto& name : GetParam().names) {
        std::size_t count = 1;
        if (name == "InsulatedBody2_") boxOfAll(result, name, &count);
        ASSERT_GE(count, 1u);
        expected.insert(expected.end(), count, name);
    }
    EXPECT_EQ(outputNames(result), expected);
    expectAllShapesValid(result);
}

INSTANTIATE_TEST_SUITE_P(MultiPort, SampleInsulation, ::testing::ValuesIn(kLayouts),
                         [](const auto& param) { return std::to_string(param.param.partDataBasis); });

// ---- 2381 -----------------------------------------------------------------------------------------

// The insulated jacket grows by T at the top, sides and bottom of the outlet "D" and moves each section
// T outwards; a port without flange thickness still gets a 0.0001 collar of the insulated pipe.
TEST(InsulatedJacketedSixPort, JacketGrowsByTheThicknessAndCollarsCoverTheEnds) {
    HostFixtureScope host;
    auto partSpec = samplePart(2381);
    partSpec.ports[1] = socketEnd(2, kOdNps4, 4);
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    expectAllShapesValid(result);
    const double L = 0.292, T = 0.04, A = 0.15, B = 0.10, E = 0.22, C = 0.07;
    const double R = kOdNps4 / 2 + (A - kOdNps4 / 2) / 2 + T;
    const double halfWidth = std::max(R, E / 2 + T);
    // The host's loft may bulge past its straight guides by about 1% of the jacket's size.
    expectBox(boxOfAll(result, "InsulatedBody2_"),
              {-0.25 * L - T, -B - T, -halfWidth, L / 2 - 1.3 * C + T, A + T, halfWidth}, 2e-3);
    const double d = 0.2286 + 2 * T;
    expectBox(boxOf(result, "InsulatedBody3"), {-L / 2, -d / 2, -d / 2, -L / 2 + 0.0239 + T, d / 2, d / 2});
    const double e = kOdNps4 + 2 * T;
    expectBox(boxOf(result, "InsulatedBody4"), {L / 2, -e / 2, -e / 2, L / 2 + 0.0001, e / 2, e / 2});
}

// When a quarter of the face-to-face length plus T passes the inlet face, the inlet section sits on it.
TEST(InsulatedJacketedSixPort, InletSectionStopsAtTheInletFace) {
    HostFixtureScope host;
    auto partSpec = samplePart(2381);
    partSpec.inputs["InsulationThickness"] = 0.08; // 0.25 L + T = 0.153 > 0.146
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_NEAR(boxOfAll(result, "InsulatedBody2_")[0], -0.146, 2e-3);
}

// ---- 5, 10, 13 ------------------------------------------------------------------------------------

struct CoverBox {
    double T;
    double halfX, halfZ;
};

class InsulatedCover : public ::testing::TestWithParam<CoverBox> {};

// The box spans the faces when the cover square is wider than the insulation is thick, else the square
// grown by T; it rises from the axis to T above the valve height over the bore's bottom.
TEST_P(InsulatedCover, BoxAroundTheCover) {
    HostFixtureScope host;
    auto partSpec = samplePart(5);
    partSpec.ports = {flangedEnd(1, kOdNps4, 0.2286, 0.02, 4), flangedEnd(2, kOdNps4, 0.2286, 0.02, 4)};
    partSpec.inputs["FacetoFace"] = 0.4;
    partSpec.inputs["InsulationThickness"] = GetParam().T;
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    const auto& c = GetParam();
    expectBox(boxOf(result, "InsulatedBody"),
              {-c.halfX, 0, -c.halfZ, c.halfX, c.T + partSpec.inputs.at("ValveHeight") - kOdNps4 / 2, c.halfZ}, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(MultiPort, InsulatedCover,
                         ::testing::Values(CoverBox{0.05, 0.2, 0.21}, CoverBox{0.2, 0.36, 0.36}),
                         [](const auto& param) { return param.param.T < 0.1 ? "ThinInsulation" : "ThickInsulation"; });

// 13 sizes the box on the shorter side while the bore runs face to face.
TEST(InsulatedCoveredBodies, UnequalFacesSizeTheBoxOnTheShorterSide) {
    HostFixtureScope host;
    auto partSpec = samplePart(13);
    partSpec.ports = {flangedNps4(1), flangedNps4(2)};
    partSpec.inputs["Face1toCenter"] = 0.25;
    partSpec.inputs["Face2toCenter"] = 0.15;
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    const auto box = boxOf(result, "InsulatedBody"), bore = boxOf(result, "InsOutput2");
    EXPECT_NEAR(box[0], -0.15, 1e-9);
    EXPECT_NEAR(box[3], 0.15, 1e-9);
    EXPECT_NEAR(box[5], 0.15 - 2 * 0.0239 + 0.04, 1e-9);
    EXPECT_NEAR(bore[0], -0.25, 1e-9);
    EXPECT_NEAR(bore[3], 0.15, 1e-9);
    EXPECT_NEAR(bore[4], (0.2286 + 2 * 0.04) / 2, 1e-9); // over the flange, wider than the pipe
}

struct RingCase {
    std::string label;
    double t1, t2;
    Names names;
};

class InsulatedRings : public ::testing::TestWithParam<RingCase> {};

// No ring where a flange has no thickness; port 1's ring is also left out for a negative thickness,
// port 2's only for zero.
TEST_P(InsulatedRings, RingsOnlyWhereTheFlangeHasThickness) {
    HostFixtureScope host;
    auto partSpec = samplePart(13);
    partSpec.ports[0].flangeThickness = GetParam().t1;
    partSpec.ports[1].flangeThickness = GetParam().t2;
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(outputNames(result), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    MultiPort, InsulatedRings,
    ::testing::Values(RingCase{"NoThickness", 0, 0, {"InsulatedBody", "InsOutput2"}},
                      RingCase{"NegativeThickness", -0.001, -0.001, {"InsulatedBody", "InsOutput2", "InsPNoz2"}},
                      RingCase{"OnlyPortTwo", 0, 0.0191, {"InsulatedBody", "InsOutput2", "InsPNoz2"}}),
    [](const auto& param) { return param.param.label; });

// A ring thicker than its face-to-centre distance stops at the valve centre.
TEST(InsulatedCoveredBodies, ThickRingStopsAtTheCentre) {
    HostFixtureScope host;
    auto partSpec = samplePart(385);
    partSpec.inputs["FacetoFace"] = 0.1;
    partSpec.inputs["BranchLength"] = 0.2;
    partSpec.inputs["InsulationThickness"] = 0.04; // t1 + T = 0.0639 > A = 0.05
    partSpec.ports = {flangedEnd(1, 0.0603, 0.1524, 0.0239, 2), flangedEnd(2, 0.0603, 0.1524, 0.0239, 2)};
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_NEAR(boxOf(result, "InsPNoz1")[3], 0, 1e-9);
    EXPECT_NEAR(boxOf(result, "InsPNoz2")[0], 0, 1e-9);
}

// ---- 385, 386, 387 --------------------------------------------------------------------------------

// The insulated branch is the branch diameter of the bare valve plus 2T, from the same root.
TEST(InsulatedAngledBranch, BranchShellIsTheBranchGrownByTheThickness) {
    HostFixtureScope host;
    const auto partSpec = samplePart(385);
    const auto bare = refhost::evaluateAspect(partSpec, "Physical"), insulated = insulation(partSpec);
    ASSERT_TRUE(bare.ok && insulated.ok) << bare.errorText << insulated.errorText;
    const auto& branch = recorded(bare, indexOf(bare, "Branch")).creation();
    const auto& shell = recorded(insulated, indexOf(insulated, "InsulatedBody")).creation();
    EXPECT_NEAR(recordedNumber(shell, "profile.radius"), recordedNumber(branch, "profile.radius") + 0.05, 1e-12);
    EXPECT_EQ(recordedTriple(shell, "profile.centre"), recordedTriple(branch, "profile.centre"));
}

// B = 0 fails in the branch diameter, before anything is added.
TEST(InsulatedAngledBranch, ZeroPortTwoDistanceAddsNothing) {
    HostFixtureScope host;
    auto partSpec = samplePart(387);
    partSpec.inputs["Face2toCenter"] = 0;
    expectFailureKeeping(insulation(partSpec), {});
}

// ---- 3124, 3125, 3146 -----------------------------------------------------------------------------

class InsulatedJacket : public ::testing::TestWithParam<std::int32_t> {};

// Ends without flanges get no flange shells: five outputs.
TEST_P(InsulatedJacket, PlainEndsHaveNoFlangeShells) {
    HostFixtureScope host;
    auto partSpec = samplePart(GetParam());
    partSpec.ports[0] = socketEnd(1, kOdNps2, 2);
    partSpec.ports[1] = socketEnd(2, kOdNps2, 2);
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(outputNames(result), (Names{"InsulatedBody", "InsOutput2", "InsOutput3", "InsOutput4", "InsOutput5"}));
}

// Thick insulation that would make the stem shell wider than the valve is long gives it the face-to-face
// length as diameter.
TEST_P(InsulatedJacket, StemShellNeverWiderThanTheFaceToFace) {
    HostFixtureScope host;
    auto partSpec = samplePart(GetParam());
    partSpec.inputs["InsulationThickness"] = 0.08;
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    const auto stem = boxOf(result, "InsOutput2");
    EXPECT_NEAR(stem[3] - stem[0], 0.203, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(MultiPort, InsulatedJacket, ::testing::Values(3124, 3125, 3146));

// 3124's stem shell reaches T below the run, or the jacket outlet when that is nearer.
TEST(InsulatedFourPortJacketed, StemShellReachesTheOutletWhenItIsNearer) {
    HostFixtureScope host;
    auto partSpec = samplePart(3124);
    const double T = 0.025;
    auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_NEAR(boxOf(result, "InsOutput2")[1], -kOdNps2 / 2 - T, 1e-9);
    partSpec.inputs["YOffJacketOutlet"] = 0.07; // below T + OD(1) = 0.0853
    result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_NEAR(boxOf(result, "InsOutput2")[1], -0.07, 1e-9);
}

// ---- 3183 -----------------------------------------------------------------------------------------

// All ends plain: the three run shells and the body shell only.
TEST(InsulatedDomedFivePort, PlainEndsGetNoFlangeShells) {
    HostFixtureScope host;
    auto partSpec = samplePart(3183);
    for (auto& port : partSpec.ports) port = socketEnd(port.index, port.pipeOD, port.npd);
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(outputNames(result), (Names{"InsOutput1", "InsOutput2", "InsOutput3", "InsulatedBody"}));
}

// The body shell grows by one thickness (D + T), limited to the face-to-face length, and runs from
// 0.85 Yo + T below the axis to H + T.
TEST(InsulatedDomedFivePort, BodyShellGrowsByOneThicknessUpToTheFaceToFace) {
    HostFixtureScope host;
    for (double D : {0.20, 0.26}) { // D + T = 0.25 or 0.31 against F = 0.292
        SCOPED_TRACE(D);
        auto partSpec = samplePart(3183);
        partSpec.inputs["Diameter"] = D;
        const auto result = insulation(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        const double width = std::min(D + 0.05, 0.292);
        expectBox(boxOf(result, "InsulatedBody"),
                  {-width / 2, -0.85 * 0.2 - 0.05, -width / 2, width / 2, 0.35, width / 2});
    }
}

} // namespace
} // namespace tcv::test
