// Insulation aspect of the wafer, lug, shaped in-line, cone, collar and bulb bodies.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "variants/physical/InlineBodyTestSupport.h"

namespace tcv::test::inline_bodies {
namespace {

constexpr double kPipeOD = 0.1143, kFlangeOD = 0.2286, kFlangeThk = 0.0239, T = 0.025;
constexpr double Lw = kWaferLength, Ls = kSwingLength;

using Names = std::vector<std::string>;

// The bodies whose envelope repeats the physical shapes: with no insulation they coincide, with some
// each envelope holds its shape.
class InlineBodyGrownTwin : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(InlineBodyGrownTwin, EnvelopesCoincideWithTheShapesAtZeroThicknessAndHoldThemOtherwise) {
    auto partSpec = inlinePart(GetParam());
    const auto body = physical(partSpec);
    ASSERT_TRUE(body.ok) << body.errorText;
    for (double thickness : {0.0, T}) {
        partSpec.inputs["InsulationThickness"] = thickness;
        const auto envelope = insulation(partSpec);
        ASSERT_TRUE(envelope.ok) << envelope.errorText;
        for (std::size_t i = 0; i + 2 < body.outputs->outputs().size(); ++i) {
            const auto inner = measured(body, i).bbox, outer = measured(envelope, i).bbox;
            for (std::size_t k = 0; k < 6; ++k) {
                if (thickness == 0)
                    EXPECT_NEAR(outer[k], inner[k], kMeasured) << i << " " << k;
                else if (k < 3)
                    EXPECT_LE(outer[k], inner[k] + kMeasured) << i << " " << k;
                else
                    EXPECT_GE(outer[k], inner[k] - kMeasured) << i << " " << k;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SharedShapes, InlineBodyGrownTwin, ::testing::Values(2200, 2269, 2270, 2232));

// The envelope of the part with the changes: built, with the names in order, every shape valid.
template <class Adjust>
refhost::AspectResult envelope(std::int32_t partDataBasis, Adjust adjust, const Names& names) {
    auto partSpec = inlinePart(partDataBasis);
    adjust(partSpec);
    auto result = insulation(partSpec);
    EXPECT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(outputNames(result), names);
    expectAllValid(result);
    return result;
}

auto thickness(double value) {
    return [value](refhost::CatalogPart& partSpec) { partSpec.inputs["InsulationThickness"] = value; };
}
auto flanges(double od1, double thk1, double od2, double thk2) {
    return [=](refhost::CatalogPart& partSpec) {
        partSpec.ports[0].flangeOD = od1, partSpec.ports[0].flangeThickness = thk1;
        partSpec.ports[1].flangeOD = od2, partSpec.ports[1].flangeThickness = thk2;
    };
}
// A cylinder along the valve axis from x0 to x1.
void expectRun(const refhost::AspectResult& result, std::size_t i, double x0, double x1, double diameter) {
    expectCylinder(result, i, {x0, 0, 0}, {x1, 0, 0}, diameter);
}

// The web of the bored wafer with flange-based height: its top is 1.1 Fd - 0.5 Fd above the axis.
void expectWaferWeb(const refhost::AspectResult& result, double halfLength, double t) {
    expectBox(result, 1, {-halfLength, 0.5 * kPipeOD, -0.2 * kPipeOD - t},
              {halfLength, 0.6 * kFlangeOD + t, 0.2 * kPipeOD + t});
}

const Names kWafer = {"InsulatedBody", "webIns", "Port1Ins", "Port2Ins"};

// The flange envelopes run from each face inwards by flange thickness + T, or to the opposite face; a
// flange thicker than the insulation shortens the web instead.
TEST(InsulatedWafer, FlangeEnvelopesAndWebFollowTheThickness) {
    auto r = envelope(2255, flanges(kFlangeOD, 0, kFlangeOD, 0), {"InsulatedBody", "webIns"}); // no flange thickness
    expectRun(r, 0, -Lw / 2, Lw / 2, kPipeOD + 2 * T);
    expectWaferWeb(r, Lw / 2, T);
    r = envelope(2255, thickness(T), kWafer); // flange thinner than the insulation
    expectRun(r, 2, -Lw / 2, -Lw / 2 + kFlangeThk + T, kFlangeOD + 2 * T);
    expectRun(r, 3, Lw / 2, Lw / 2 - kFlangeThk - T, kFlangeOD + 2 * T);
    expectWaferWeb(r, Lw / 2, T);
    expectWaferWeb(envelope(2255, thickness(0.01), kWafer), Lw / 2 - kFlangeThk + 0.01, 0.01); // thicker flange
    r = envelope(2255, thickness(0.1), kWafer); // insulation past the opposite face
    expectRun(r, 2, -Lw / 2, Lw / 2, kFlangeOD + 0.2);
    expectRun(r, 3, Lw / 2, -Lw / 2, kFlangeOD + 0.2);
}

// A lugged wafer end without a flange gets no flange envelope; where port 1 has none, the body grows
// from 1.6 pipe diameters and the first end from 2 pipe diameters.
TEST(InsulatedWafer, LuggedWaferEndsWithoutAFlange) {
    const Names names = {"InsulatedBody", "CheckValve_", "CheckValve_"};
    auto r = envelope(2258, flanges(kFlangeOD, kFlangeThk, 0, kFlangeThk), {"InsulatedBody", "CheckValve_"});
    expectRun(r, 1, -Lw / 2, -Lw / 2 + kFlangeThk + T, kFlangeOD + 2 * T);
    r = envelope(2258, flanges(0, kFlangeThk, kFlangeOD, kFlangeThk), names);
    expectRun(r, 0, -Lw / 2, Lw / 2, 1.6 * kPipeOD + 2 * T);
    expectRun(r, 1, -Lw / 2, -Lw / 2 + kFlangeThk + T, 2 * kPipeOD + 2 * T);
    expectRun(r, 2, Lw / 2, Lw / 2 - kFlangeThk - T, kFlangeOD + 2 * T);
}

TEST(InsulatedInlineBodies, EnvelopesFollowTheFlangesAndTheBody) {
    constexpr double H = 0.25;
    const auto noFlanges = flanges(0, 0, 0, 0);
    // The transition body with plain ends: no flange envelopes.
    envelope(2200, noFlanges, repeated({"InsulatedBody"}, 6, "CheckValve_"));
    // The collar body without flange thickness: the collar and the run grown by T.
    auto r = envelope(2270, flanges(kFlangeOD, 0, kFlangeOD, 0),
                      repeated({"InsulatedBody", "CheckValveBody_"}, 4, "CheckValve_"));
    expectCylinder(r, 0, {-0.4 * Ls - T, -0.025 * H, 0}, {0.4 * Ls + T, -0.025 * H, 0}, 0.85 * H + 2 * T);
    expectRun(r, 5, -Ls / 2, Ls / 2, kPipeOD + 2 * T);
    // The double cone whose vertical envelope would be wider than the valve: as wide as the valve.
    r = envelope(2232, [](refhost::CatalogPart& p) { p.inputs["Diameter"] = 0.28; },
                 {"InsulatedBody", "MainBodyRighttConeIns", "VerticalCylinderIns", "Port1Ins", "Port2Ins"});
    expectCylinder(r, 2, {0, -0.1 - T, 0}, {0, 0.2 + T, 0}, Ls);
    // The flangeless collared bore: ends over the collars; insulation longer than the valve: face to face.
    const Names bore = {"InsulatedBody", "Port1Ins", "Port2Ins"};
    r = envelope(2267, noFlanges, bore);
    expectRun(r, 1, -Ls / 2, -Ls / 2 + 0.15 * Ls + T, kPipeOD + 2 * T);
    expectRun(r, 2, Ls / 2, Ls / 2 - 0.15 * Ls - T, kPipeOD + 2 * T);
    r = envelope(2267, thickness(0.3), bore);
    expectRun(r, 1, -Ls / 2, Ls / 2, kFlangeOD + 0.6);
    expectRun(r, 2, Ls / 2, -Ls / 2, kFlangeOD + 0.6);
    // The domed bulb with a top as wide as the valve.
    r = envelope(2268, thickness(0.05),
                 {"InsulatedBody", "TopCylinder1Ins", "TopCylinder2Ins", "Port1Ins", "Port2Ins"});
    expectCylinder(r, 1, {0, 0, 0}, {0, 0.95 * 0.15 - 0.05, 0}, 0.65 * Ls + 0.1);
    expectCylinder(r, 2, {0, 0.95 * 0.15 - 0.05, 0}, {0, 0.15, 0}, Ls);
}

// The grown bulge of the bulb bodies keeps its pipe runs (a profile of three curves) until it reaches
// the flanges (one curve); the envelope spans the faces less the flanges, up to the crest plus 2T.
TEST(InsulatedBulb, DropsThePipeRunsWhereTheGrownBulgeReachesTheFlanges) {
    struct Case {
        std::int32_t partDataBasis;
        double thickness;
        std::int64_t curves;
        double semiLength, crest;
    };
    for (const Case& c :
         {Case{2271, 0.01, 3, 0.35 * Ls + 0.01, 0.1}, Case{2271, 0.05, 1, Ls / 2 - kFlangeThk, 0.1},
          Case{2268, 0.01, 3, 0.35 * Ls + 0.01, 0.105}, Case{2268, 0.05, 1, Ls / 2 - kFlangeThk, 0.105}}) {
        SCOPED_TRACE(testing::Message() << c.partDataBasis << " T = " << c.thickness);
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
}

TEST(InsulatedFlatSidedWafer, GrowsTheDiscsAndStopsThemAtTheOppositeFace) {
    for (const auto& [t, length] : {std::pair{T, kFlangeThk + T}, std::pair{0.06, Lw}}) {
        const auto result = envelope(2256, thickness(t), {"InsulatedBody", "WebIns", "Port1Ins", "Port2Ins"});
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
