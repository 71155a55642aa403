// Insulation of the check valves with an operator base: the inclined base (2142, 2144, 2198) and the
// skinned body with a vertical operator (2143, 2157, 2199). Outputs and their order, the envelopes grown
// by the insulation thickness, the limits on the insulated equalizer's radius, the port ends, and the
// failures a catalogue administrator meets.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "support/OperatorBaseParts.h"
#include "support/TestSupport.h"

namespace tcv::test {
namespace {

using namespace operator_base;

const double kHalfRoot2 = std::sqrt(0.5);
const double kOD = 0.1143, kFT = 0.0239, kFD = 0.2286;

// The insulated equalizer's radius is 0.1 OD + T unless that exceeds a limit. Inclined base: the
// clearance or the crossing leg L in plan; then 0.99 x clearance where L reaches the clearance, else
// 0.49 L. Skinned body: the clearance or L / 2; then 0.99 x clearance where L / 2 reaches the
// clearance, else 0.44 L. A radius equal to a limit counts as exceeding it. The radius shows as the
// depth of the tube below the path's crossing leg at -clearance + 0.1 OD.
struct RadiusCase {
    const char* what;
    std::int32_t pdb;
    double length, height, clearance, insulation;
    double radius;
};

TEST(OperatorBaseInsulation, EqualizerRadiusStaysWithinClearanceAndLeg) {
    HostFixtureScope host;
    const double pipe = 0.1 * kOD;
    // Crossing legs in plan of the small valves below.
    const double inclinedSmall = std::hypot(0.05 - 0.03, 0.03); // 2198: from x = 0.05 to (0.03, 0.03)
    const double verticalSmall = std::hypot(0.04, 0.04);        // 2157, 2143: from x = 0.04 to (0, 0.04)
    const double verticalHalfLeg = std::hypot(0.12, 0.04);      // 2157: from x = 0.12 to (0, 0.04)
    const RadiusCase cases[] = {
        {"inclined, within limits", 2198, 0.292, 0.35, 0.15, 0.05, pipe + 0.05},
        {"inclined, over the clearance", 2198, 0.292, 0.35, 0.08, 0.1, 0.99 * 0.08},
        {"inclined 2142, over the clearance", 2142, 0.292, 0.35, 0.08, 0.1, 0.99 * 0.08},
        {"inclined 2144, over the clearance", 2144, 0.146, 0.35, 0.08, 0.1, 0.99 * 0.08},
        {"inclined, equal to the clearance", 2198, 0.292, 0.35, pipe + 0.05, 0.05, 0.99 * (pipe + 0.05)},
        {"inclined, over a short leg", 2198, 0.1, 0.04, 0.1, 0.05, 0.49 * inclinedSmall},
        {"skinned, within limits", 2157, 0.292, 0.35, 0.15, 0.05, pipe + 0.05},
        {"skinned, over the clearance", 2157, 0.292, 0.35, 0.08, 0.1, 0.99 * 0.08},
        {"skinned, over a short leg", 2157, 0.1, 0.05, 0.1, 0.05, 0.44 * verticalSmall},
        {"skinned 2143, over a short leg", 2143, 0.05, 0.05, 0.1, 0.05, 0.44 * verticalSmall},
        {"skinned, over half the leg", 2157, 0.3, 0.05, 0.1, 0.06, 0.44 * verticalHalfLeg},
        {"skinned 2199, over the clearance", 2199, 0.292, 0.35, 0.08, 0.1, 0.99 * 0.08},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto partSpec = operatorBaseValve(c.pdb, flangedEnd(1, kOD, kFD, kFT, 4), c.length, c.height, c.clearance,
                                                0.15, c.insulation);
        const auto result = refhost::evaluateAspect(partSpec, contract::Aspect::Insulation);
        ASSERT_TRUE(result.ok) << result.errorText;
        const std::string name = c.pdb == 2198 || c.pdb == 2144 ? "Equalizer_" : "EqualizerIns_";
        ASSERT_FALSE(indicesOf(result, name).empty());
        for (std::size_t i : indicesOf(result, name)) EXPECT_TRUE(measured(result, i).valid);
        const double crossingZ = -c.clearance + pipe;
        EXPECT_NEAR(crossingZ - unitedBox(result, name)[2], c.radius, 1e-6);
    }
}

// The insulated port ends run from each face inwards by flange thickness + T, of the larger of flange
// and pipe diameter + 2T. The face-to-centre variants stop an end at the valve centre; a port without
// flange thickness gets no end.
struct PortEndCase {
    std::int32_t pdb;
    double length, face2;
    std::array<double, 2> port1, port2; // x range of each end
};

TEST(OperatorBaseInsulation, PortEndsCoverTheFlangesUpToTheCentre) {
    HostFixtureScope host;
    const double depth = kFT + 0.05;
    const PortEndCase cases[] = {
        // Off-centre body: faces at -0.25F and 0.75F; an end may pass the centre.
        {2142, 0.292, 0, {-0.073, -0.073 + depth}, {0.219 - depth, 0.219}},
        // Face 1 closer to the centre than flange and insulation: the end stops at the centre.
        {2144, 0.05, 0.2, {-0.05, 0}, {0.2 - depth, 0.2}},
        {2143, 0.146, 0.05, {-0.146, -0.146 + depth}, {0, 0.05}},
        {2143, 0.146, 0, {-0.146, -0.146 + depth}, {0.146 - depth, 0.146}},
        {2157, 0.292, 0, {-0.146, -0.146 + depth}, {0.146 - depth, 0.146}},
    };
    const double radius = kFD / 2 + 0.05;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pdb) + " length " + std::to_string(c.length));
        auto partSpec = operatorBaseValve(c.pdb, flangedEnd(1, kOD, kFD, kFT, 4), c.length, 0.35, 0.15, 0.15);
        partSpec.inputs["Face2toCenter"] = c.face2;
        const auto result = refhost::evaluateAspect(partSpec, contract::Aspect::Insulation);
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto p1 = unitedBox(result, "Port1Ins");
        const auto p2 = unitedBox(result, "Port2Ins");
        nipple_bonnet::expectBoxNear(p1, {c.port1[0], -radius, -radius, c.port1[1], radius, radius}, 1e-6);
        nipple_bonnet::expectBoxNear(p2, {c.port2[0], -radius, -radius, c.port2[1], radius, radius}, 1e-6);

        // Without flange thickness there is nothing to cover.
        partSpec.ports = {plainPort(1, kOD), plainPort(2, kOD)};
        const auto plain = refhost::evaluateAspect(partSpec, contract::Aspect::Insulation);
        ASSERT_TRUE(plain.ok) << plain.errorText;
        EXPECT_TRUE(indicesOf(plain, "Port1Ins").empty());
        EXPECT_TRUE(indicesOf(plain, "Port2Ins").empty());
    }
}

// The cylinder output of the name runs from start to end with the radius.
void expectAxis(const refhost::AspectResult& result, const std::string& name, const std::vector<double>& start,
                const std::vector<double>& end, double radius) {
    SCOPED_TRACE(name);
    const auto cylinder = cylinderNamed(result, name);
    expectPointNear(cylinder.start, start);
    expectPointNear(cylinder.end, end);
    EXPECT_NEAR(cylinder.radius, radius, 1e-12);
}

// The inclined envelopes: the body between the flanges grown by T, the base from the centre to its
// top, and the flange insulation from T below the base top along the axis to the flange top (2198,
// 2144) or T beyond it (2142).
TEST(OperatorBaseInsulation, InclinedEnvelopesFollowTheBaseAxis) {
    HostFixtureScope host;
    const double T = 0.05, back = T * kHalfRoot2;
    const double lowered = 0.5 * 0.15 * kHalfRoot2;
    struct Case {
        std::int32_t pdb;
        double body1, body2, baseTop, flangeStart, flangeEnd;
    };
    const Case cases[] = {
        {2198, -0.073 + kFT, 0.219 - kFT, 0.3325, 0.3325 - back, 0.35},
        {2144, -0.146 + kFT, 0.146 - kFT, 0.3325, 0.3325 - back, 0.35},
        {2142, -0.073 + kFT, 0.219 - kFT, 0.3325 - lowered, 0.3325 - lowered - back, 0.35 - lowered + back},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pdb);
        const auto result = refhost::evaluateAspect(nps4Valve(c.pdb), contract::Aspect::Insulation);
        ASSERT_TRUE(result.ok) << result.errorText;
        expectAxis(result, "InsulatedBody", {c.body1, 0, 0}, {c.body2, 0, 0}, kOD / 2 + T);
        expectAxis(result, "OperatorBaseIns", {0, 0, 0}, {c.baseTop, c.baseTop, 0}, kOD / 2 + T);
        expectAxis(result, "MountingFlangeIns", {c.flangeStart, c.flangeStart, 0}, {c.flangeEnd, c.flangeEnd, 0},
                   0.075 + T);
    }
}

// The vertical envelopes: the base insulation stops T below the flange, whose insulation ends at the
// operator height V for 2157 and 2143 and T above it for 2199.
TEST(OperatorBaseInsulation, VerticalFlangeInsulationEndsByPartDataBasis) {
    HostFixtureScope host;
    const double T = 0.05, V = 0.35;
    for (const auto& [pdb, flangeTop] : {std::pair{2157, V}, std::pair{2199, V + T}, std::pair{2143, V}}) {
        SCOPED_TRACE(pdb);
        const auto result = refhost::evaluateAspect(nps4Valve(pdb), contract::Aspect::Insulation);
        ASSERT_TRUE(result.ok) << result.errorText;
        expectAxis(result, "InsulatedBody", {0, 0, 0}, {0, 0.95 * V - T, 0}, kOD / 2 + T);
        expectAxis(result, "MountingFlangeIns", {0, 0.95 * V - T, 0}, {0, flangeTop, 0}, 0.075 + T);

        // The insulated main body is the physical one with its sections grown by T.
        const std::string mainBody = pdb == 2143 ? "mainBodyIns_" : "mainBodyIns";
        const auto box = unitedBox(result, mainBody);
        EXPECT_NEAR(box[0], -0.146, 1e-5);
        EXPECT_NEAR(box[3], 0.146, 1e-5);
        EXPECT_NEAR(box[5], 0.775 * kOD + T, 0.02 * kOD);
        EXPECT_NEAR(box[2], -box[5], 1e-6);
        // A closed solid, larger than the pipe between the faces.
        EXPECT_GT(totalVolume(result, mainBody), std::numbers::pi * 0.25 * kOD * kOD * 0.292);
    }
}

// A zero operator height: the inclined base insulation has no length and is refused after the body;
// the vertical base insulation runs T downwards from the centre and the valve is built.
TEST(OperatorBaseInsulation, ZeroOperatorHeight) {
    HostFixtureScope host;
    for (std::int32_t pdb : {2198, 2144, 2157, 2143}) {
        SCOPED_TRACE(pdb);
        const auto result = refhost::evaluateAspect(nps4Valve(pdb, 0), contract::Aspect::Insulation);
        if (isInclined(pdb)) {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.errorCode, host::kGenericFailure);
            EXPECT_EQ(collapsedNames(result), std::vector<std::string>{"InsulatedBody"});
            continue;
        }
        ASSERT_TRUE(result.ok) << result.errorText;
        expectPointNear(cylinderNamed(result, "InsulatedBody").end, {0, -0.05, 0});
        expectAllGeometryValid(result);
    }
}

} // namespace
} // namespace tcv::test
