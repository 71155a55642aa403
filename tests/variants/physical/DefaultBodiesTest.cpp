// The default bodies `run` builds itself (plain, vertical port offset, B-spline, operator mounting),
// their nozzles and the valve operator.
#include <gtest/gtest.h>

#include <cmath>

#include "support/TestSupport.h"
#include "tarncheckvalve/refhost/Occurrences.h"

namespace tcv::test {
namespace {

using refhost::AspectResult;
using refhost::CatalogPart;
using Names = std::vector<std::string>;

constexpr double kF = 0.292; // NPS 4 class 150 swing check face-to-face
constexpr double kOD = 0.1143;

CatalogPart defaultPart(std::int32_t pdb, bool withOperator = false) {
    auto partSpec = twoPortPart(pdb);
    partSpec.inputs["FacetoFace"] = kF;
    if (withOperator)
        partSpec.valveOperator =
            refhost::OperatorSpec{"handwheel operator", {{"HandwheelDiameter", 0.25}, {"OffsetFrmValCen", 0.3}}, false};
    return partSpec;
}

AspectResult physical(const CatalogPart& partSpec) {
    return refhost::evaluateAspect(partSpec, contract::Aspect::Physical);
}

const refhost::RefOperatorOccurrence& operatorOf(const AspectResult& result) {
    for (const auto& output : result.outputs->outputs())
        if (auto* op = dynamic_cast<const refhost::RefOperatorOccurrence*>(output.object.get())) return *op;
    throw std::logic_error("no operator occurrence");
}

void expectTriple(const std::vector<double>& actual, std::array<double, 3> expected) {
    ASSERT_EQ(actual.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], expected[k], 1e-9) << "component " << k;
}

void expectAxes(const refhost::RefOperatorOccurrence& op, std::array<std::array<double, 3>, 3> expected) {
    const auto axes = op.axes();
    for (std::size_t k = 0; k < 3; ++k) expectTriple({axes[k].x(), axes[k].y(), axes[k].z()}, expected[k]);
}

TEST(DefaultBodies, OutputsInOrderForEveryDefaultVariant) {
    const Names plain = {"Body", "PNoz1", "PNoz2"}, segmented = {"Body", "Body_", "Body_", "Body_", "PNoz1", "PNoz2"},
                mounted = {"Body", "MountFlange", "MountBox", "PNoz1", "PNoz2"};
    const std::pair<std::int32_t, Names> cases[] = {{-3, plain},      {0, plain},    {1, plain},      {455, segmented},
                                                    {456, segmented}, {2021, plain}, {2046, mounted}, {2047, mounted}};
    for (const auto& [pdb, names] : cases) {
        SCOPED_TRACE(pdb);
        auto partSpec = defaultPart(pdb);
        partSpec.inputs["Length2"] = 0.25;
        auto result = physical(partSpec);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(outputNames(result), names);
        for (std::size_t i = 0; i < names.size(); ++i) {
            auto m = measured(result, i);
            EXPECT_FALSE(m.empty) << names[i];
            EXPECT_TRUE(m.valid) << names[i];
        }
    }
}

TEST(DefaultBodies, PlainBodyIsACylinderOfPort2OnlyWithoutFlangeAndAttribute) {
    // Flangeless port 1 with attribute 0: a cylinder of port 2's diameter between the faces.
    auto partSpec = defaultPart(0);
    partSpec.ports[0].flangeThickness = 0;
    partSpec.ports[1].pipeOD = 0.2;
    partSpec.ports[1].flangeThickness = 0.02;
    auto cylinder = physical(partSpec);
    ASSERT_TRUE(cylinder.ok);
    auto m = measured(cylinder, 0);
    EXPECT_NEAR(m.bbox[0], -kF / 2, 1e-6);
    EXPECT_NEAR(m.bbox[3], kF / 2 - 0.02, 1e-6);
    EXPECT_NEAR(m.bbox[4], 0.1, 1e-6);

    // A non-zero attribute (or flange) gives a cone from port 1's radius to a point.
    partSpec.ports[0].attribute = 7;
    auto cone = physical(partSpec);
    ASSERT_TRUE(cone.ok);
    const auto& creation = recorded(cone, 0).creation();
    EXPECT_EQ(creation.kind, "cone");
    EXPECT_NEAR(recordedNumber(creation, "baseRadius"), kOD / 2, 1e-12);
    EXPECT_NEAR(recordedNumber(creation, "topRadius"), 0, 1e-12);
    expectTriple(recordedTriple(creation, "topCentre"), {kF / 2 - 0.02, 0, 0});
}

TEST(DefaultBodies, VerticalPortOffsetMovesNozzle1OnlyFor455) {
    for (std::int32_t pdb : {455, 456}) {
        SCOPED_TRACE(pdb);
        auto partSpec = defaultPart(pdb);
        partSpec.inputs["PortVOffset"] = 0.05;
        auto result = physical(partSpec);
        ASSERT_TRUE(result.ok);
        const double y = pdb == 455 ? -0.05 : 0.0;
        expectTriple(recordedTriple(recorded(result, 4).creation(), "position"), {-kF / 2, y, 0});
        expectTriple(recordedTriple(recorded(result, 5).creation(), "position"), {kF / 2, 0, 0});
        // The last body segment sits at the same height as nozzle 1.
        auto last = measured(result, 3);
        EXPECT_NEAR((last.bbox[1] + last.bbox[4]) / 2, y, 1e-6);
    }
}

TEST(DefaultBodies, BSplineBodyFallsBackToFlangeOrEnlargedPipe) {
    // OD larger than the flange: 1.25 x OD; otherwise the flange diameter.
    for (const auto& [flangeOD, B] : {std::pair{0.1, 1.25 * kOD}, std::pair{0.2286, 0.2286}}) {
        SCOPED_TRACE(flangeOD);
        auto partSpec = defaultPart(2021);
        partSpec.ports[0].flangeOD = flangeOD;
        auto result = physical(partSpec);
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(recorded(result, 0).outputKind(), refhost::OutputKind::Surface);
        auto m = measured(result, 0);
        // The curve's control point at the centre is B/2; the curve itself stays inside it.
        EXPECT_LT(m.bbox[4], B / 2 + 1e-9);
        EXPECT_GT(m.bbox[4], kOD / 2);
        EXPECT_NEAR(m.bbox[0], -(kF / 2 - 0.0239), 1e-6);
    }
}

TEST(DefaultBodies, OperatorMountingWithDefaultsSitsAtOnePointTwoDiameters) {
    auto partSpec = defaultPart(2046, true);
    partSpec.inputs["OffsetfromPort1"] = 0.05; // moves the operator, not the mounting
    auto result = physical(partSpec);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(outputNames(result), (Names{"Body", "MountFlange", "MountBox", "PNoz1", "PNoz2", "ValveOperator"}));
    auto box = measured(result, 2);
    EXPECT_NEAR(box.bbox[4], 1.2 * kOD, 1e-6);
    EXPECT_NEAR(box.bbox[0], -0.2 * kF, 1e-6);
    EXPECT_NEAR(box.bbox[3], 0.2 * kF, 1e-6);
    auto flange = measured(result, 1);
    EXPECT_NEAR(flange.bbox[0] + flange.bbox[3], 0, 1e-6);

    const auto& op = operatorOf(result);
    EXPECT_NEAR(op.position().x(), -kF / 2 + 0.05, 1e-12);
    EXPECT_NEAR(op.position().y(), 1.2 * kOD, 1e-12);
    EXPECT_NEAR(op.attributes().at("OffsetFrmValCen"), 1.2 * kOD, 1e-12);
    // The operator's own symbol argument (its input 2 sits at position 3) follows the attribute.
    EXPECT_NEAR(op.arguments().at(3), 1.2 * kOD, 1e-12);
    EXPECT_EQ(op.updates(), 1);
}

TEST(DefaultBodies, Length2AndOffsetFromPort1PlaceThe2047Mounting) {
    const double P = 0.1, L2 = 0.3;
    auto partSpec = defaultPart(2047, true);
    partSpec.inputs["OffsetfromPort1"] = P;
    partSpec.inputs["Length2"] = L2;
    partSpec.inputs["HandwheelAngle"] = 0;
    auto result = physical(partSpec);
    ASSERT_TRUE(result.ok);
    auto flange = measured(result, 1);
    EXPECT_NEAR(flange.bbox[0], P - 0.6 * kF, 1e-6);
    EXPECT_NEAR(flange.bbox[3], P, 1e-6);
    EXPECT_NEAR(measured(result, 2).bbox[4], L2, 1e-6);
    EXPECT_NEAR(operatorOf(result).attributes().at("OffsetFrmValCen"), kF / 2 - P, 1e-12);
    expectAxes(operatorOf(result), {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}});
}

TEST(ValveOperator, AxesFollowTheHandwheelAngle) {
    const double a = 0.5;
    auto partSpec = defaultPart(1, true);
    partSpec.inputs["HandwheelAngle"] = a;
    auto result = physical(partSpec);
    ASSERT_TRUE(result.ok);
    const auto& op = operatorOf(result);
    expectAxes(op, {{{std::cos(a), 0, std::sin(a)}, {0, 1, 0}, {-std::sin(a), 0, std::cos(a)}}});
    // Only the operator-mounted bodies keep its attribute in step.
    EXPECT_NEAR(op.attributes().at("OffsetFrmValCen"), 0.3, 1e-12);
    EXPECT_TRUE(op.arguments().empty());
}

TEST(ValveOperator, AbsentOrUnmatchedOperatorsLeaveBodyAndNozzles) {
    // No operator part: body and nozzles, success.
    auto plain = physical(defaultPart(2046));
    EXPECT_TRUE(plain.ok);
    EXPECT_EQ(outputNames(plain).size(), 5u);

    // The host reports the operator's symbol absent: the aspect ends quietly.
    auto missing = defaultPart(2046, true);
    missing.valveOperator->symbolMissing = true;
    auto quiet = physical(missing);
    EXPECT_TRUE(quiet.ok);
    EXPECT_EQ(outputNames(quiet), (Names{"Body", "MountFlange", "MountBox", "PNoz1", "PNoz2"}));

    // Only an operator input named OffsetFrmValCen (in any case) takes the attribute.
    for (const auto& [input, attribute] : {std::pair{"LeverLength", 0.0}, std::pair{"offsetfrmvalcen", 1.2 * kOD}}) {
        auto partSpec = defaultPart(2046);
        partSpec.valveOperator = refhost::OperatorSpec{"lever", {{input, 0.4}}, false};
        auto result = physical(partSpec);
        ASSERT_TRUE(result.ok);
        EXPECT_NEAR(operatorOf(result).attributes().at("OffsetFrmValCen"), attribute, 1e-12) << input;
    }
}

TEST(DefaultBodies, NozzlesSitAtTheConnectionPoints) {
    auto partSpec = defaultPart(1);
    partSpec.ports[0].terminationClass = 20; // cpt offset kept (only flanged ports drop it)
    partSpec.ports[0].cptOffset = 0.01;
    partSpec.ports[0].depth = 0.004;
    partSpec.ports[1].cptOffset = 0.02; // flanged: cpt offset forced to 0
    partSpec.ports[1].depth = 0.003;
    auto result = physical(partSpec);
    ASSERT_TRUE(result.ok);
    const auto &n1 = recorded(result, 1).creation(), &n2 = recorded(result, 2).creation();
    expectTriple(recordedTriple(n1, "position"), {-kF / 2 - 0.01 + 0.004, 0, 0});
    expectTriple(recordedTriple(n1, "direction"), {-1, 0, 0});
    expectTriple(recordedTriple(n2, "position"), {kF / 2 - 0.003, 0, 0});
    expectTriple(recordedTriple(n2, "direction"), {1, 0, 0});
}

} // namespace
} // namespace tcv::test
