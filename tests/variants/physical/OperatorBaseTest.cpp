// Physical graphics of the check valves with an operator base: the inclined base (2142, 2144, 2198) and
// the skinned body with a vertical operator (2143, 2157, 2199). Outputs and their order, where the body,
// base, flange and nozzles sit, the swept equalizer and the skinned body as solids, the operator's
// placement and attribute, and the failures a catalogue administrator meets.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "support/OperatorBaseParts.h"
#include "support/TestSupport.h"

namespace tcv::test {
namespace {

using namespace operator_base;

const double kHalfRoot2 = std::sqrt(0.5), kOD = 0.1143, kPi = std::numbers::pi;

refhost::AspectResult physical(const refhost::CatalogPart& partSpec) {
    return refhost::evaluateAspect(partSpec, contract::Aspect::Physical);
}

TEST(OperatorBasePhysical, SamplePartsGiveTheirOutputsInOrderAndValidSolids) {
    HostFixtureScope host;
    const std::vector<std::string> inclined = {"Body",       "OperatorBase", "MountingFlange",
                                               "Equalizer_", "PNoz1",        "PNoz2"};
    const std::vector<std::string> skinned = {"mainBody", "Body", "MountingFlange", "Equalizer_", "PNoz1", "PNoz2"};
    for (const auto& partSpec : sampleParts()) {
        SCOPED_TRACE(partSpec.name);
        const auto result = physical(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        EXPECT_EQ(collapsedNames(result), isInclined(partSpec.partDataBasis) ? inclined : skinned);
        expectAllGeometryValid(result);
        EXPECT_EQ(operators(result).size(), partSpec.partDataBasis == 2142 ? 0u : 1u);
    }
}

// Where the ends of the body and the nozzles sit along the flow axis, with ports whose cpt offset and
// depth move the nozzles off the faces (nozzle 1 at face - cpt + depth, nozzle 2 at face + cpt - depth).
TEST(OperatorBasePhysical, BodyAndNozzlesSitAtTheFaces) {
    HostFixtureScope host;
    struct Case {
        std::int32_t pdb;
        double length; // face to face, or face 1 to centre for 2143 and 2144
        double face2;  // "Face2toCenter" for 2143 and 2144
        double face1X, face2X;
    };
    const Case cases[] = {
        {2198, 0.4, 0, -0.1, 0.3},       {2142, 0.4, 0, -0.1, 0.3},    {2144, 0.15, 0.25, -0.15, 0.25},
        {2144, 0.15, 0, -0.15, 0.15},    {2157, 0.4, 0, -0.2, 0.2},    {2199, 0.4, 0, -0.2, 0.2},
        {2143, 0.15, 0.25, -0.15, 0.25}, {2143, 0.15, 0, -0.15, 0.15},
    };
    refhost::PortSpec port = plainPort(1, kOD);
    port.flangeThickness = 0.02;
    port.cptOffset = 0.01;
    port.depth = 0.004;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pdb) + " face 2 " + std::to_string(c.face2));
        auto partSpec = operatorBaseValve(c.pdb, port, c.length, 0.35, 0.15, 0.15);
        partSpec.inputs["Face2toCenter"] = c.face2;
        const auto result = physical(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        if (isInclined(c.pdb)) {
            // The body runs between the flanges' inner faces.
            const auto body = cylinderNamed(result, "Body");
            expectPointNear(body.start, {c.face1X + 0.02, 0, 0});
            expectPointNear(body.end, {c.face2X - 0.02, 0, 0});
            EXPECT_NEAR(body.radius, kOD / 2, 1e-12);
        } else {
            // The skinned body runs from face to face.
            const auto box = unitedBox(result, "mainBody");
            EXPECT_NEAR(box[0], c.face1X, 1e-5);
            EXPECT_NEAR(box[3], c.face2X, 1e-5);
        }
        for (const auto& [name, x, direction] :
             {std::tuple{"PNoz1", c.face1X - 0.006, -1.0}, std::tuple{"PNoz2", c.face2X + 0.006, 1.0}}) {
            const auto& nozzle = recorded(result, indicesOf(result, name).at(0)).creation();
            expectPointNear(recordedTriple(nozzle, "position"), {x, 0, 0});
            expectPointNear(recordedTriple(nozzle, "direction"), {direction, 0, 0});
        }
    }
}

// The operator base rises from the valve centre at 45 degrees; the mounting flange sits on its top.
TEST(OperatorBasePhysical, InclinedBaseRisesAt45DegreesUnderTheFlange) {
    HostFixtureScope host;
    // An NPS 4 valve with the operator height 0.35 and a flange of diameter 0.15. 2142 takes the
    // height to the flange's centre and lowers the flange by half its diameter along the vertical.
    // Heights above the flow axis are equal to the distance along x.
    const double lowered = 0.5 * 0.15 * kHalfRoot2;
    const std::array<double, 3> cases[] = {
        {2198, 0.95 * 0.35, 0.35}, {2144, 0.95 * 0.35, 0.35}, {2142, 0.95 * 0.35 - lowered, 0.35 - lowered}};
    for (const auto& [pdb, baseTop, flangeTop] : cases) {
        SCOPED_TRACE(pdb);
        const auto result = physical(nps4Valve(static_cast<std::int32_t>(pdb)));
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto base = cylinderNamed(result, "OperatorBase"), flange = cylinderNamed(result, "MountingFlange");
        expectPointNear(base.start, {0, 0, 0});
        expectPointNear(base.end, {baseTop, baseTop, 0});
        EXPECT_NEAR(base.radius, kOD / 2, 1e-12);
        expectPointNear(flange.start, {baseTop, baseTop, 0});
        expectPointNear(flange.end, {flangeTop, flangeTop, 0});
        EXPECT_NEAR(flange.radius, 0.075, 1e-12);
    }
}

// 2157 takes the operator height from "OffsetFrmValCen", 2199 from "HeightFrmValCen"; the operator
// attribute follows the height used.
TEST(OperatorBasePhysical, OperatorHeightInputIsChosenByPartDataBasis) {
    HostFixtureScope host;
    for (const auto& [pdb, height] : {std::pair{2157, 0.3}, std::pair{2199, 0.5}}) {
        SCOPED_TRACE(pdb);
        auto partSpec = nps4Valve(pdb);
        partSpec.valveOperator = sampleOperator("operator");
        partSpec.inputs["OffsetFrmValCen"] = 0.3;
        partSpec.inputs["HeightFrmValCen"] = 0.5;
        const auto result = physical(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto base = cylinderNamed(result, "Body");
        expectPointNear(base.start, {0, 0, 0});
        expectPointNear(base.end, {0, 0.95 * height, 0});
        expectPointNear(cylinderNamed(result, "MountingFlange").end, {0, height, 0});
        const auto ops = operators(result);
        ASSERT_EQ(ops.size(), 1u);
        EXPECT_NEAR(ops[0]->attributes().at("OffsetFrmValCen"), height, 1e-12);
    }
}

// A zero operator height makes the operator base a cylinder of no length, which the host refuses: the
// builder fails with the generic failure, keeping the outputs it added before the base, and places no
// operator and no nozzles.
TEST(OperatorBasePhysical, ZeroOperatorHeightFailsAtTheOperatorBase) {
    HostFixtureScope host;
    const std::tuple<std::int32_t, const char*, const char*> cases[] = {
        {2198, "OffsetFrmValCen", "Body"},     {2144, "OffsetFrmValCen", "Body"},
        {2157, "OffsetFrmValCen", "mainBody"}, {2199, "HeightFrmValCen", "mainBody"},
        {2143, "OffsetFrmValCen", "mainBody"},
    };
    for (const auto& [pdb, input, kept] : cases) {
        SCOPED_TRACE(pdb);
        auto partSpec = nps4Valve(pdb);
        partSpec.inputs["OffsetFrmValCen"] = partSpec.inputs["HeightFrmValCen"] = 0.35;
        partSpec.inputs[input] = 0; // the other height input keeps 0.35
        const auto result = physical(partSpec);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.errorCode, host::kGenericFailure);
        EXPECT_EQ(collapsedNames(result), std::vector<std::string>{kept});
        EXPECT_TRUE(operators(result).empty());
    }
}

// The operator sits at the valve centre. On the inclined base its second axis runs up the base and
// its attribute "OffsetFrmValCen" is the offset along the base (O / cos 45 degrees); on the vertical
// base it stands upright, turned about the vertical by the handwheel angle, with the height itself.
TEST(OperatorBasePhysical, OperatorPlacedAtTheCentreWithItsAxesAndAttribute) {
    HostFixtureScope host;
    struct Case {
        std::int32_t pdb;
        double handwheelAngle;
        std::array<std::vector<double>, 3> axes;
        double attribute;
    };
    const double r = kHalfRoot2, inclined = 0.35 * std::sqrt(2.0);
    const Case cases[] = {
        {2198, 0, {{{r, -r, 0}, {r, r, 0}, {0, 0, 1}}}, inclined},
        {2144, 0, {{{r, -r, 0}, {r, r, 0}, {0, 0, 1}}}, inclined},
        // The handwheel turn about y follows the inclination about z.
        {2198, kPi / 2, {{{0, -r, -r}, {0, r, -r}, {1, 0, 0}}}, inclined},
        {2157, 0, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, 0.35},
        {2143, kPi / 6, {{{std::cos(kPi / 6), 0, 0.5}, {0, 1, 0}, {-0.5, 0, std::cos(kPi / 6)}}}, 0.35},
        {2199, kPi / 2, {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}}, 0.35},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pdb) + " angle " + std::to_string(c.handwheelAngle));
        auto partSpec = nps4Valve(c.pdb);
        partSpec.inputs["HandwheelAngle"] = c.handwheelAngle;
        const auto result = physical(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto ops = operators(result);
        ASSERT_EQ(ops.size(), 1u);
        const auto& op = *ops[0];
        EXPECT_EQ(op.name(), "ValveOperator");
        expectPointNear({op.position().x(), op.position().y(), op.position().z()}, {0, 0, 0});
        const auto axes = op.axes();
        for (std::size_t k = 0; k < 3; ++k) expectPointNear({axes[k].x(), axes[k].y(), axes[k].z()}, c.axes[k], 1e-12);
        EXPECT_NEAR(op.attributes().at("OffsetFrmValCen"), c.attribute, 1e-12);
        // The operator's symbol argument at the position of its input "OffsetFrmValCen" follows.
        EXPECT_NEAR(op.arguments().at(2), c.attribute, 1e-12);
        EXPECT_EQ(collapsedNames(result).back(), "PNoz2"); // the nozzles follow the operator
    }
}

// The operator part comes by the part's operator source code: 10 takes it from the operator
// collection, a code other than 5 or 10 places none. An operator whose symbol the host cannot find
// (0x80040400) ends the builder quietly before its nozzles. 2142 has no operator step.
TEST(OperatorBasePhysical, OperatorSourceCodeAndAbsentOperator) {
    HostFixtureScope host;
    const auto expectOperators = [](const refhost::CatalogPart& partSpec, std::size_t count, const char* last) {
        const auto result = physical(partSpec);
        EXPECT_TRUE(result.ok) << result.errorText;
        EXPECT_EQ(operators(result).size(), count);
        EXPECT_EQ(collapsedNames(result).back(), last);
    };
    for (std::int32_t pdb : {2198, 2157}) {
        SCOPED_TRACE(pdb);
        auto partSpec = nps4Valve(pdb);
        partSpec.operatorSourceCode = 10;
        partSpec.operatorText = "gear operator";
        expectOperators(partSpec, 1, "PNoz2");
        partSpec.operatorSourceCode = 7;
        expectOperators(partSpec, 0, "PNoz2");
        partSpec.operatorSourceCode = 5;
        partSpec.valveOperator->symbolMissing = true;
        expectOperators(partSpec, 0, "Equalizer_");
        partSpec.valveOperator.reset(); // a part without an operator gets its nozzles
        expectOperators(partSpec, 0, "PNoz2");
    }
    // 2142 places no operator even when its part has one.
    auto partSpec = nps4Valve(2142);
    partSpec.valveOperator = sampleOperator("operator");
    expectOperators(partSpec, 0, "PNoz2");
}

// The equalizer is a closed round tube of radius 0.1 OD along its four-point path: down from beside
// the body at -0.4 OD to the clearance, across to below the operator base, back up. Its volume is
// that of the tube along the path, less a little where the corners are bent.
TEST(OperatorBasePhysical, EqualizerIsAClosedRoundTubeAlongItsPath) {
    HostFixtureScope host;
    const double r = 0.1 * kOD, nearZ = -0.4 * kOD, farZ = -0.15 + 0.1 * kOD;
    const double Y = 0.95 * 0.35 - 0.5 * 0.15 * kHalfRoot2;
    // x of the first leg, and where the last leg rises
    const std::array<double, 4> cases[] = {
        {2198, 0.146, 0.2625, 0.2625},      {2144, 0.67 * 0.146, 0.2625, 0.2625}, {2142, 0.146, 0.75 * Y, 0.75 * Y},
        {2157, 0.4 * 0.292, 0, 0.8 * 0.35}, {2199, 0.4 * 0.292, 0, 0.8 * 0.35},   {2143, 0.8 * 0.146, 0, 0.8 * 0.35},
    };
    for (const auto& [pdb, startX, topX, topY] : cases) {
        SCOPED_TRACE(pdb);
        const auto result = physical(nps4Valve(static_cast<std::int32_t>(pdb)));
        ASSERT_TRUE(result.ok) << result.errorText;
        ASSERT_FALSE(indicesOf(result, "Equalizer_").empty());
        for (std::size_t i : indicesOf(result, "Equalizer_")) EXPECT_TRUE(measured(result, i).valid);

        const auto box = unitedBox(result, "Equalizer_");
        EXPECT_NEAR(box[0], std::min(startX, topX) - r, 1e-5);
        EXPECT_NEAR(box[3], std::max(startX, topX) + r, 1e-5);
        EXPECT_NEAR(box[2], farZ - r, 1e-5);
        EXPECT_NEAR(box[5], nearZ, 1e-5);
        EXPECT_NEAR(box[4], topY + r, 1e-5);

        const double pathLength = 2 * (nearZ - farZ) + std::hypot(startX - topX, topY), tube = kPi * r * r;
        const double volume = totalVolume(result, "Equalizer_");
        EXPECT_LT(volume, tube * pathLength);
        EXPECT_GT(volume, tube * (pathLength - 2 * 1.3 * r));
    }
}

// The main body is a closed solid through its three sections: the end circles of radius OD/2 at the
// faces and the middle circle of radius 0.775 OD lowered by 0.075 OD, so it bulges below the flow
// axis and reaches 0.775 OD to either side.
TEST(OperatorBasePhysical, SkinnedBodyIsAClosedBulgeThroughItsSections) {
    HostFixtureScope host;
    for (std::int32_t pdb : {2157, 2199, 2143}) {
        SCOPED_TRACE(pdb);
        const auto result = physical(nps4Valve(pdb));
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto at = indicesOf(result, "mainBody");
        ASSERT_FALSE(at.empty());
        for (std::size_t i : at) EXPECT_TRUE(measured(result, i).valid);

        const auto box = unitedBox(result, "mainBody");
        EXPECT_NEAR(box[0], -0.146, 1e-5);
        EXPECT_NEAR(box[3], 0.146, 1e-5);
        // Through the middle section: from -0.85 OD below the axis to 0.7 OD above it and 0.775 OD to
        // either side (a loft through fitted sections may overshoot its sections a little).
        EXPECT_LT(box[1], -0.849 * kOD);
        EXPECT_GT(box[1], -0.9 * kOD);
        EXPECT_GT(box[4], 0.699 * kOD);
        EXPECT_LT(box[4], 0.75 * kOD);
        EXPECT_NEAR(box[5], 0.775 * kOD, 0.02 * kOD);
        EXPECT_NEAR(box[2], -box[5], 1e-6);

        // Closed: it has a volume, larger than the pipe between the faces and smaller than a
        // cylinder of the middle section.
        const double volume = totalVolume(result, "mainBody");
        EXPECT_GT(volume, kPi * 0.25 * kOD * kOD * 0.292);
        EXPECT_LT(volume, kPi * 0.775 * 0.775 * kOD * kOD * 0.292);
    }
}

} // namespace
} // namespace tcv::test
