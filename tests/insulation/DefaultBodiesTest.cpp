// The default insulated bodies: envelopes grown by the insulation thickness.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace tcv {
namespace {

using test::measured;
using test::outputNames;
using Names = std::vector<std::string>;

constexpr double kF = 0.292;
constexpr double kT = 0.05;
constexpr double kOD = 0.1143, kFD = 0.2286;

refhost::PartSpec insulatedPart(std::int32_t pdb) {
    auto partSpec = test::twoPortPart(pdb);
    partSpec.inputs["FacetoFace"] = kF;
    partSpec.inputs["InsulationThickness"] = kT;
    return partSpec;
}

TEST(DefaultInsulation, OutputsAndEnvelopeSizes) {
    struct Case {
        std::int32_t pdb;
        Names names;
        double bodyRadius; // of output 0
        double bodyCentreY;
    };
    const double D = 0.3;
    const Case cases[] = {
        {0, {"InsulatedBody"}, kFD / 2 + kT, 0},
        {455, {"InsulatedBody"}, D / 2 + kT, -0.1 * D},
        {456, {"InsulatedBody"}, D / 2 + kT, -0.1 * D},
        {2021, {"InsulatedBody", "InsulatedPort1", "InsulatedPort2"}, kFD / 2 + kT, 0},
        {2046, {"InsNozzle1", "InsNozzle2", "InsulatedBody", "InsMountFlange", "InsMountBox"}, kFD / 2 + kT, 0},
        {2047, {"InsNozzle1", "InsNozzle2", "InsulatedBody", "InsMountFlange", "InsMountBox"}, kFD / 2 + kT, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pdb);
        auto partSpec = insulatedPart(c.pdb);
        partSpec.inputs["BodyDiameter"] = D;
        partSpec.inputs["PortVOffset"] = 0.07; // no effect on this aspect
        partSpec.inputs["Length2"] = 0.3;
        auto result = refhost::evaluateAspect(partSpec, "Insulation");
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(outputNames(result), c.names);
        auto body = measured(result, 0);
        EXPECT_TRUE(body.valid);
        EXPECT_NEAR(body.bbox[0], -kF / 2, 1e-6);
        EXPECT_NEAR((body.bbox[4] - body.bbox[1]) / 2, c.bodyRadius, 1e-6);
        EXPECT_NEAR((body.bbox[4] + body.bbox[1]) / 2, c.bodyCentreY, 1e-6);
        for (std::size_t i = 0; i < c.names.size(); ++i) EXPECT_TRUE(measured(result, i).valid) << c.names[i];
    }
}

TEST(DefaultInsulation, FlangelessEndsKeepASliver) {
    auto partSpec = insulatedPart(2021);
    partSpec.ports[0].flangeThickness = 0;
    auto result = refhost::evaluateAspect(partSpec, "Insulation");
    ASSERT_TRUE(result.ok);
    auto end = measured(result, 1);
    EXPECT_NEAR(end.bbox[3] - end.bbox[0], 0.0001, 1e-7);

    auto mounted = insulatedPart(2046);
    mounted.ports[0].flangeThickness = 0;
    auto nozzle = refhost::evaluateAspect(mounted, "Insulation");
    ASSERT_TRUE(nozzle.ok);
    auto ins = measured(nozzle, 0);
    EXPECT_NEAR(ins.bbox[3] - ins.bbox[0], 0.0001 + kT, 1e-7);
}

TEST(DefaultInsulation, EndCylinderStopsAtTheValveCentre) {
    auto partSpec = insulatedPart(2021);
    partSpec.inputs["FacetoFace"] = 0.1; // F/2 = 0.05 < FT + T
    auto result = refhost::evaluateAspect(partSpec, "Insulation");
    ASSERT_TRUE(result.ok);
    EXPECT_NEAR(measured(result, 1).bbox[3], 0, 1e-6);
    EXPECT_NEAR(measured(result, 2).bbox[0], 0, 1e-6);
}

TEST(DefaultInsulation, MountBoxGrowsAroundTheOperatorHeight) {
    auto partSpec = insulatedPart(2046);
    partSpec.inputs["OffsetFrmValCen"] = 0.4;
    auto result = refhost::evaluateAspect(partSpec, "Insulation");
    ASSERT_TRUE(result.ok);
    auto box = measured(result, 4);
    EXPECT_NEAR(box.bbox[4], 0.4 + kT, 1e-6);
    EXPECT_NEAR(box.bbox[3], 0.2 * kF + kT, 1e-6);
    EXPECT_NEAR(box.bbox[5], 0.3 * kOD + kT, 1e-6);
}

} // namespace
} // namespace tcv
