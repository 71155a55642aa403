// Insulation aspect of the wafer, lug, shaped in-line, cone, collar and bulb bodies.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "physical/InlineBodyTestSupport.h"

namespace tcv::test::inline_bodies {
namespace {

constexpr double kPipeOD = 0.1143, kFlangeOD = 0.2286, kFlangeThk = 0.0239, T = 0.025;
constexpr double Lw = kWaferLength, Ls = kSwingLength;

using Names = std::vector<std::string>;

struct EnvelopeCase {
    std::int32_t partDataBasis;
    Names names;
};

void PrintTo(const EnvelopeCase& c, std::ostream* os) { *os << c.partDataBasis; }

class InlineBodyInsulation : public ::testing::TestWithParam<EnvelopeCase> {};

TEST_P(InlineBodyInsulation, AddsValidEnvelopesInOrderAndNoNozzles) {
    const auto result = insulation(inlinePart(GetParam().partDataBasis));
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(outputNames(result), GetParam().names);
    expectAllValid(result);
}

INSTANTIATE_TEST_SUITE_P(
    AllBodies, InlineBodyInsulation,
    ::testing::Values(
        EnvelopeCase{2255, {"InsulatedBody", "webIns", "Port1Ins", "Port2Ins"}},
        EnvelopeCase{2256, {"InsulatedBody", "WebIns", "Port1Ins", "Port2Ins"}},
        EnvelopeCase{2258, {"InsulatedBody", "CheckValve_", "CheckValve_"}},
        EnvelopeCase{2200, repeated({"InsulatedBody"}, 8, "CheckValve_")},
        EnvelopeCase{2269, repeated({"InsulatedBody"}, 8, "CheckValve_")},
        EnvelopeCase{2270, repeated({"InsulatedBody", "CheckValveBody_"}, 6, "CheckValve_")},
        EnvelopeCase{2271, {"InsulatedBody", "Port1Ins", "Port2Ins"}},
        EnvelopeCase{2232, {"InsulatedBody", "MainBodyRighttConeIns", "VerticalCylinderIns", "Port1Ins", "Port2Ins"}},
        EnvelopeCase{2267, {"InsulatedBody", "Port1Ins", "Port2Ins"}},
        EnvelopeCase{2268, {"InsulatedBody", "TopCylinder1Ins", "TopCylinder2Ins", "Port1Ins", "Port2Ins"}}));

// The bodies whose envelope repeats the physical shapes: with no insulation they coincide, with some
// each envelope holds its shape.
class InlineBodyGrownTwin : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(InlineBodyGrownTwin, EnvelopesCoincideWithTheShapesAtZeroThicknessAndHoldThemOtherwise) {
    auto partSpec = inlinePart(GetParam());
    const auto body = physical(partSpec);
    ASSERT_TRUE(body.ok) << body.errorText;
    const std::size_t shapes = body.outputs->outputs().size() - 2;
    for (double thickness : {0.0, T}) {
        partSpec.inputs["InsulationThickness"] = thickness;
        const auto envelope = insulation(partSpec);
        ASSERT_TRUE(envelope.ok) << envelope.errorText;
        for (std::size_t i = 0; i < shapes; ++i) {
            const auto inner = measured(body, i).bbox, outer = measured(envelope, i).bbox;
            for (std::size_t k = 0; k < 3; ++k) {
                if (thickness == 0) {
                    EXPECT_NEAR(outer[k], inner[k], kMeasured) << i << " " << k;
                    EXPECT_NEAR(outer[k + 3], inner[k + 3], kMeasured) << i << " " << k;
                } else {
                    EXPECT_LE(outer[k], inner[k] + kMeasured) << i << " " << k;
                    EXPECT_GE(outer[k + 3], inner[k + 3] - kMeasured) << i << " " << k;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SharedShapes, InlineBodyGrownTwin, ::testing::Values(2200, 2269, 2270, 2232));

struct Cyl {
    std::size_t index;
    std::array<double, 3> start, end;
    double diameter;
};

struct Box {
    std::size_t index;
    std::array<double, 3> corner1, corner2;
};

struct ThicknessCase {
    const char* label;
    std::int32_t partDataBasis;
    std::function<void(refhost::PartSpec&)> adjust;
    Names names;
    std::vector<Cyl> cylinders;
    std::vector<Box> boxes;
};

void PrintTo(const ThicknessCase& c, std::ostream* os) { *os << c.label; }

class InlineBodyThickness : public ::testing::TestWithParam<ThicknessCase> {};

TEST_P(InlineBodyThickness, FollowsTheEnvelopeRules) {
    const ThicknessCase& c = GetParam();
    auto partSpec = inlinePart(c.partDataBasis);
    if (c.adjust) c.adjust(partSpec);
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(outputNames(result), c.names);
    expectAllValid(result);
    for (const Cyl& cyl : c.cylinders) expectCylinder(result, cyl.index, cyl.start, cyl.end, cyl.diameter);
    for (const Box& box : c.boxes) expectBox(result, box.index, box.corner1, box.corner2);
}

auto thickness(double value) {
    return [value](refhost::PartSpec& partSpec) { partSpec.inputs["InsulationThickness"] = value; };
}
auto flanges(double od1, double thk1, double od2, double thk2) {
    return [=](refhost::PartSpec& partSpec) {
        partSpec.ports[0].flangeOD = od1, partSpec.ports[0].flangeThickness = thk1;
        partSpec.ports[1].flangeOD = od2, partSpec.ports[1].flangeThickness = thk2;
    };
}

// The web of the bored wafer with flange-based height: its top is 1.1 Fd - 0.5 Fd above the axis.
Box waferWeb(double halfLength, double t) {
    return {1, {-halfLength, 0.5 * kPipeOD, -0.2 * kPipeOD - t}, {halfLength, 0.6 * kFlangeOD + t, 0.2 * kPipeOD + t}};
}
constexpr double H = 0.25;

INSTANTIATE_TEST_SUITE_P(
    Rules, InlineBodyThickness,
    ::testing::Values(
        ThicknessCase{"wafer without flange thickness",
                      2255,
                      flanges(kFlangeOD, 0, kFlangeOD, 0),
                      {"InsulatedBody", "webIns"},
                      {{0, {-Lw / 2, 0, 0}, {Lw / 2, 0, 0}, kPipeOD + 2 * T}},
                      {waferWeb(Lw / 2, T)}},
        ThicknessCase{"wafer flange thinner than the insulation",
                      2255,
                      {},
                      {"InsulatedBody", "webIns", "Port1Ins", "Port2Ins"},
                      {{2, {-Lw / 2, 0, 0}, {-Lw / 2 + kFlangeThk + T, 0, 0}, kFlangeOD + 2 * T},
                       {3, {Lw / 2, 0, 0}, {Lw / 2 - kFlangeThk - T, 0, 0}, kFlangeOD + 2 * T}},
                      {waferWeb(Lw / 2, T)}},
        ThicknessCase{"wafer flange thicker than the insulation",
                      2255,
                      thickness(0.01),
                      {"InsulatedBody", "webIns", "Port1Ins", "Port2Ins"},
                      {},
                      {waferWeb(Lw / 2 - kFlangeThk + 0.01, 0.01)}},
        ThicknessCase{"wafer insulation past the opposite face",
                      2255,
                      thickness(0.1),
                      {"InsulatedBody", "webIns", "Port1Ins", "Port2Ins"},
                      {{2, {-Lw / 2, 0, 0}, {Lw / 2, 0, 0}, kFlangeOD + 0.2},
                       {3, {Lw / 2, 0, 0}, {-Lw / 2, 0, 0}, kFlangeOD + 0.2}},
                      {}},
        ThicknessCase{"lugged wafer, port 2 without flange",
                      2258,
                      flanges(kFlangeOD, kFlangeThk, 0, kFlangeThk),
                      {"InsulatedBody", "CheckValve_"},
                      {{1, {-Lw / 2, 0, 0}, {-Lw / 2 + kFlangeThk + T, 0, 0}, kFlangeOD + 2 * T}},
                      {}},
        ThicknessCase{"lugged wafer, port 1 without flange",
                      2258,
                      flanges(0, kFlangeThk, kFlangeOD, kFlangeThk),
                      {"InsulatedBody", "CheckValve_", "CheckValve_"},
                      {{0, {-Lw / 2, 0, 0}, {Lw / 2, 0, 0}, 1.6 * kPipeOD + 2 * T},
                       {1, {-Lw / 2, 0, 0}, {-Lw / 2 + kFlangeThk + T, 0, 0}, 2 * kPipeOD + 2 * T},
                       {2, {Lw / 2, 0, 0}, {Lw / 2 - kFlangeThk - T, 0, 0}, kFlangeOD + 2 * T}},
                      {}},
        ThicknessCase{"transition body with plain ends",
                      2200,
                      flanges(0, 0, 0, 0),
                      repeated({"InsulatedBody"}, 6, "CheckValve_"),
                      {},
                      {}},
        ThicknessCase{"collar body without flange thickness",
                      2270,
                      flanges(kFlangeOD, 0, kFlangeOD, 0),
                      repeated({"InsulatedBody", "CheckValveBody_"}, 4, "CheckValve_"),
                      {{0, {-0.4 * Ls - T, -0.025 * H, 0}, {0.4 * Ls + T, -0.025 * H, 0}, 0.85 * H + 2 * T},
                       {5, {-Ls / 2, 0, 0}, {Ls / 2, 0, 0}, kPipeOD + 2 * T}},
                      {}},
        ThicknessCase{"double cone with a vertical envelope wider than the valve",
                      2232,
                      [](refhost::PartSpec& partSpec) { partSpec.inputs["Diameter"] = 0.28; },
                      {"InsulatedBody", "MainBodyRighttConeIns", "VerticalCylinderIns", "Port1Ins", "Port2Ins"},
                      {{2, {0, -0.1 - T, 0}, {0, 0.2 + T, 0}, Ls}},
                      {}},
        ThicknessCase{"flangeless collared bore",
                      2267,
                      flanges(0, 0, 0, 0),
                      {"InsulatedBody", "Port1Ins", "Port2Ins"},
                      {{1, {-Ls / 2, 0, 0}, {-Ls / 2 + 0.15 * Ls + T, 0, 0}, kPipeOD + 2 * T},
                       {2, {Ls / 2, 0, 0}, {Ls / 2 - 0.15 * Ls - T, 0, 0}, kPipeOD + 2 * T}},
                      {}},
        ThicknessCase{"collared bore with insulation longer than the valve",
                      2267,
                      thickness(0.3),
                      {"InsulatedBody", "Port1Ins", "Port2Ins"},
                      {{1, {-Ls / 2, 0, 0}, {Ls / 2, 0, 0}, kFlangeOD + 0.6},
                       {2, {Ls / 2, 0, 0}, {-Ls / 2, 0, 0}, kFlangeOD + 0.6}},
                      {}},
        ThicknessCase{"domed bulb with a top as wide as the valve",
                      2268,
                      thickness(0.05),
                      {"InsulatedBody", "TopCylinder1Ins", "TopCylinder2Ins", "Port1Ins", "Port2Ins"},
                      {{1, {0, 0, 0}, {0, 0.95 * 0.15 - 0.05, 0}, 0.65 * Ls + 0.1},
                       {2, {0, 0.95 * 0.15 - 0.05, 0}, {0, 0.15, 0}, Ls}},
                      {}}));

struct BulbCase {
    const char* label;
    std::int32_t partDataBasis;
    double thickness;
    std::int64_t curves;
    double semiLength, crest;
};

void PrintTo(const BulbCase& c, std::ostream* os) { *os << c.label; }

class InsulatedBulb : public ::testing::TestWithParam<BulbCase> {};

TEST_P(InsulatedBulb, DropsThePipeRunsWhereTheGrownBulgeReachesTheFlanges) {
    const BulbCase& c = GetParam();
    auto partSpec = inlinePart(c.partDataBasis);
    partSpec.inputs["InsulationThickness"] = c.thickness;
    const auto result = insulation(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    const auto& revolution = recorded(result, 0).creation();
    EXPECT_EQ(recordedNumber(revolution, "profile.count"), c.curves);
    const auto major =
        recordedTriple(revolution, c.curves == 3 ? "profile.curve2.majorAxis" : "profile.curve1.majorAxis");
    EXPECT_NEAR(major[0], c.semiLength, kTight);
    const auto m = measured(result, 0);
    ASSERT_TRUE(m.valid);
    const double top = c.crest + 2 * c.thickness;
    const std::array<double, 6> box{-Ls / 2 + kFlangeThk, -top, -top, Ls / 2 - kFlangeThk, top, top};
    for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(m.bbox[k], box[k], kMeasured) << k;
}

INSTANTIATE_TEST_SUITE_P(Profiles, InsulatedBulb,
                         ::testing::Values(BulbCase{"bulb with runs", 2271, 0.01, 3, 0.35 * Ls + 0.01, 0.1},
                                           BulbCase{"bulb without runs", 2271, 0.05, 1, Ls / 2 - kFlangeThk, 0.1},
                                           BulbCase{"domed bulb with runs", 2268, 0.01, 3, 0.35 * Ls + 0.01, 0.105},
                                           BulbCase{"domed bulb without runs", 2268, 0.05, 1, Ls / 2 - kFlangeThk,
                                                    0.105}));

TEST(InsulatedFlatSidedWafer, GrowsTheDiscsAndStopsThemAtTheOppositeFace) {
    for (const auto& [t, length] : {std::pair{T, kFlangeThk + T}, std::pair{0.06, Lw}}) {
        auto partSpec = inlinePart(2256);
        partSpec.inputs["InsulationThickness"] = t;
        const auto result = insulation(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        const double h = 0.45 * kFlangeOD, halfFlat = std::sqrt(kFlangeOD * kFlangeOD / 4 - h * h);
        const double z = std::hypot(h + t, halfFlat + t);
        const std::array<double, 6> box{-Lw / 2, -h - t, -z, -Lw / 2 + length, h + t, z};
        const auto m = measured(result, 2);
        for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(m.bbox[k], box[k], kMeasured) << "thickness " << t << " " << k;
    }

    auto tooHigh = inlinePart(2256);
    tooHigh.inputs["Height"] = 0.3;
    const auto failed = insulation(tooHigh);
    EXPECT_EQ(failed.errorCode, host::kGenericFailure);
    EXPECT_EQ(outputNames(failed), Names{"InsulatedBody"});
}

} // namespace
} // namespace tcv::test::inline_bodies
