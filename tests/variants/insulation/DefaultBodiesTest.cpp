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

refhost::CatalogPart insulatedPart(std::int32_t pdb) {
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
        auto result = refhost::evaluateAspect(partSpec, contract::Aspect::Insulation);
        ASSERT_TRUE(result.ok) << result.errorText;
        EXPECT_EQ(outputNames(result), c.names);
        auto body = measured(result, 0);
        EXPECT_NEAR(body.bbox[0], -kF / 2, 1e-6);
        EXPECT_NEAR((body.bbox[4] - body.bbox[1]) / 2, c.bodyRadius, 1e-6);
        EXPECT_NEAR((body.bbox[4] + body.bbox[1]) / 2, c.bodyCentreY, 1e-6);
        for (std::size_t i = 0; i < c.names.size(); ++i) EXPECT_TRUE(measured(result, i).valid) << c.names[i];
    }
}

// The insulated box of output i of the part with the given change.
template <class Adjust>
std::array<double, 6> boxOf(std::int32_t pdb, Adjust adjust, std::size_t i) {
    auto partSpec = insulatedPart(pdb);
    adjust(partSpec);
    const auto result = refhost::evaluateAspect(partSpec, contract::Aspect::Insulation);
    EXPECT_TRUE(result.ok) << result.errorText;
    return result.ok ? measured(result, i).bbox : std::array<double, 6>{};
}

TEST(DefaultInsulation, EndsAndMountBox) {
    // A flangeless end keeps a 0.0001 sliver; the mounted body's nozzle insulation is that plus T.
    auto noFlange = [](refhost::CatalogPart& p) { p.ports[0].flangeThickness = 0; };
    auto end = boxOf(2021, noFlange, 1), nozzle = boxOf(2046, noFlange, 0);
    EXPECT_NEAR(end[3] - end[0], 0.0001, 1e-7);
    EXPECT_NEAR(nozzle[3] - nozzle[0], 0.0001 + kT, 1e-7);

    // F/2 = 0.05 < FT + T: the end cylinders stop at the valve centre.
    auto shortValve = [](refhost::CatalogPart& p) { p.inputs["FacetoFace"] = 0.1; };
    EXPECT_NEAR(boxOf(2021, shortValve, 1)[3], 0, 1e-6);
    EXPECT_NEAR(boxOf(2021, shortValve, 2)[0], 0, 1e-6);

    // The mount box grows by T around the operator height.
    auto box = boxOf(
        2046, [](refhost::CatalogPart& p) { p.inputs["OffsetFrmValCen"] = 0.4; }, 4);
    EXPECT_NEAR(box[4], 0.4 + kT, 1e-6);
    EXPECT_NEAR(box[3], 0.2 * kF + kT, 1e-6);
    EXPECT_NEAR(box[5], 0.3 * kOD + kT, 1e-6);
}

} // namespace
} // namespace tcv
