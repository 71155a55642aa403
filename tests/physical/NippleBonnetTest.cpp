// Physical graphics of the nipple-end valves (2856 to 2861) and the port-sized bonneted bodies (2459,
// 2469, 2470): outputs and their order, the lofted body, nipples, nuts, the bonnet's place between
// the flanges, the body diameter and the failures a catalogue administrator meets.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "support/NippleBonnetParts.h"
#include "support/TestSupport.h"

namespace tcv::test {
namespace {

using namespace nipple_bonnet;

std::vector<std::string> repeated(const std::string& name, std::size_t count) {
    return std::vector<std::string>(count, name);
}

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The body diameter D of a nipple-end part and the loft length and diameter of any sample part.
struct LoftSize {
    double length;
    double diameter;
};

LoftSize loftSize(const refhost::PartSpec& partSpec) {
    const auto& p1 = partSpec.ports[0];
    const auto& p2 = partSpec.ports[1];
    if (partSpec.partDataBasis >= 2856) {
        const double d = std::max({p1.pipeOD, p1.flangeOD, p2.pipeOD, p2.flangeOD});
        return {partSpec.inputs.at("ValveFacetoFace"), 0.8 * (d / 2 + partSpec.inputs.at("HeightFrmValCen"))};
    }
    return {partSpec.inputs.at("FacetoFace") - p1.flangeThickness - p2.flangeThickness, std::max(p1.pipeOD, p2.pipeOD)};
}

// What each builder adds: the outputs before the lofted body, the loft's literal, the outputs after it.
struct Layout {
    std::int32_t partDataBasis;
    std::vector<std::string> before;
    std::string loft;
    std::vector<std::string> after;
};

void PrintTo(const Layout& layout, std::ostream* os) { *os << "PartDataBasis " << layout.partDataBasis; }

const std::vector<std::string> kNozzles = {"PNoz1", "PNoz2"};
const std::vector<std::string> kFourNutBonnet =
    concat({{"Body", "Body2", "Body3", "Body4", "Body5"}, repeated("Nut_", 4)});
const std::vector<std::string> kRuledBonnet = {"Body", "Body2", "Body3", "Body4", "RuledSurface", "Body6"};
const std::vector<std::string> kEightNutBonnet =
    concat({{"Body", "Body2", "Body3", "Body4", "Body5", "Body6"}, repeated("Nut_", 8)});

const Layout kLayouts[] = {
    {2856, kFourNutBonnet, "Body6_", kNozzles},
    {2857, kFourNutBonnet, "Body6_", kNozzles},
    {2858, kRuledBonnet, "Body7_", kNozzles},
    {2859, kRuledBonnet, "Body7_", kNozzles},
    {2860, kEightNutBonnet, "Body7_", kNozzles},
    {2861, kEightNutBonnet, "Body7_", kNozzles},
    {2459, concat({{"Body", "Body2", "Body3", "Body4"}, repeated("Nut_", 4)}), "Body5_", kNozzles},
    {2469, {"Body", "Body2", "Body3", "RuledSurface", "Body5"}, "Body6_", kNozzles},
    {2470, {"Body", "Body2", "Body3", "Body4", "Body5"}, "Body6_", concat({repeated("Nut_", 8), kNozzles})},
};

class SamplePartPhysical : public ::testing::TestWithParam<Layout> {};

// Every sample part builds in order: the bonnet, every surface of the loft under the builder's literal,
// then the rest; all of it valid. The lofted body runs between its two end circles and follows its lower
// guide down to 0.75 of its diameter below the flow axis at the valve centre.
TEST_P(SamplePartPhysical, AddsItsOutputsInOrderAllValidWithTheLoftFollowingItsGuides) {
    HostFixtureScope host;
    const Layout& layout = GetParam();
    const refhost::PartSpec partSpec = samplePart(layout.partDataBasis);
    const auto result = refhost::evaluateAspect(partSpec, "Physical");
    ASSERT_TRUE(result.ok) << result.errorText;

    const std::size_t loftCount = indicesOf(result, layout.loft).size();
    ASSERT_GE(loftCount, 1u);
    EXPECT_EQ(outputNames(result), concat({layout.before, repeated(layout.loft, loftCount), layout.after}));
    expectAllGeometryValid(result);

    const LoftSize size = loftSize(partSpec);
    const double radius = size.diameter / 2;
    expectBoxNear(unitedBox(result, layout.loft),
                  {-size.length / 2, -0.75 * size.diameter, -radius, size.length / 2, radius, radius}, 1e-4 * radius);
}

INSTANTIATE_TEST_SUITE_P(NippleAndBonnet, SamplePartPhysical, ::testing::ValuesIn(kLayouts),
                         [](const auto& testInfo) { return std::to_string(testInfo.param.partDataBasis); });

refhost::PortSpec portWithOffsets(std::int16_t index, double pipeOD, double depth, double cptOffset) {
    refhost::PortSpec port = nippleEnd(index, pipeOD, 1);
    port.depth = depth;
    port.cptOffset = cptOffset;
    return port;
}

// V = 0.3 and N = 0.1, given directly (even) or as "EndtoEnd" 0.5 (odd): the nipples reach x = +-0.25
// and each nozzle sits at its nipple end moved by its port's depth and cpt offset.
TEST(NippleEndsPhysical, NippleLengthFromEitherInputPlacesNipplesAndNozzles) {
    HostFixtureScope host;
    for (std::int32_t pdb : {2856, 2857, 2858, 2859, 2860, 2861}) {
        SCOPED_TRACE(pdb);
        const auto partSpec = nippleValve(pdb, 0.3, 0.1, 0.2, portWithOffsets(1, 0.0334, 0.010, 0.004),
                                          portWithOffsets(2, 0.0334, 0.006, 0.002));
        const auto result = refhost::evaluateAspect(partSpec, "Physical");
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto body2 = boxOf(result, 1), body3 = boxOf(result, 2);
        EXPECT_NEAR(body2[0], -0.25, 1e-6);
        EXPECT_NEAR(body2[3], -0.15, 1e-6);
        EXPECT_NEAR(body3[0], 0.15, 1e-6);
        EXPECT_NEAR(body3[3], 0.25, 1e-6);

        const auto names = outputNames(result);
        ASSERT_GE(names.size(), 2u);
        ASSERT_EQ(std::vector<std::string>(names.end() - 2, names.end()), kNozzles);
        const auto& nozzle1 = recorded(result, names.size() - 2).creation();
        const auto& nozzle2 = recorded(result, names.size() - 1).creation();
        EXPECT_NEAR(recordedTriple(nozzle1, "position")[0], -0.25 + 0.010 - 0.004, 1e-9);
        EXPECT_EQ(recordedTriple(nozzle1, "direction"), (std::vector<double>{-1, 0, 0}));
        EXPECT_EQ(recordedNumber(nozzle1, "port"), 1);
        EXPECT_NEAR(recordedTriple(nozzle2, "position")[0], 0.25 - 0.006 + 0.002, 1e-9);
        EXPECT_EQ(recordedTriple(nozzle2, "direction"), (std::vector<double>{1, 0, 0}));
        EXPECT_EQ(recordedNumber(nozzle2, "port"), 2);
    }
}

// "EndtoEnd" equal to "ValveFacetoFace" (or a zero "NippleLength") gives nipples of no length, which the
// host refuses: the call fails after the body cylinder.
TEST(NippleEndsPhysical, ZeroLengthNipplesFailAfterTheBody) {
    HostFixtureScope host;
    for (std::int32_t pdb : {2856, 2857, 2858, 2859, 2860, 2861}) {
        SCOPED_TRACE(pdb);
        const auto partSpec = nippleValve(pdb, 0.111, 0.0, 0.08, nippleEnd(1, 0.0334, 1), nippleEnd(2, 0.0334, 1));
        const auto result = refhost::evaluateAspect(partSpec, "Physical");
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.errorCode, host::kGenericFailure);
        EXPECT_EQ(outputNames(result), std::vector<std::string>{"Body"});
    }
}

// A flanged port's nipple takes the flange diameter, a plain port's its pipe diameter; the body
// diameter follows the larger nipple.
TEST(NippleEndsPhysical, NippleAndBodyDiametersFollowThePorts) {
    HostFixtureScope host;
    const auto flanged = flangedEnd(1, 0.0334, 0.108, 0.0143, 1);
    const auto plain = nippleEnd(2, 0.0483, 1.5);
    const double H = 0.1, D = 0.8 * (0.108 / 2 + H);
    for (std::int32_t pdb : {2856, 2858, 2860}) {
        SCOPED_TRACE(pdb);
        const auto result = refhost::evaluateAspect(nippleValve(pdb, 0.15, 0.08, H, flanged, plain), "Physical");
        ASSERT_TRUE(result.ok) << result.errorText;
        EXPECT_NEAR(boxOf(result, 0)[5], D / 2, 1e-6);
        EXPECT_NEAR(boxOf(result, 1)[5], 0.108 / 2, 1e-6);
        EXPECT_NEAR(boxOf(result, 2)[5], 0.0483 / 2, 1e-6);
    }
}

// The nuts stand upright on the upper bonnet plate: 3t across the flats (along x), h high, centred on
// their positions; with unequal flanges each end's nuts keep their distance from their own flange.
TEST(BonnetNutsPhysical, NutsStandOnTheBonnetAtTheirPositions) {
    HostFixtureScope host;
    const double F = 0.495, t1 = 0.0284, t2 = 0.04, B = 0.2191, H = 0.38;
    const double t = (0.7 * F - t1 - t2) / 16, c = 0.6 * B - 1.5 * t, h = 0.15 * (H - 0.5 * B);
    const double y = 0.5 * B + 0.85 * (H - 0.5 * B), e1 = 0.4 * F - t1, e2 = 0.4 * F - t2;
    const std::array<double, 2> centres[] = {{-e1 + 2 * t, -c}, {-e1 + 2 * t, c}, {e2 - 2 * t, -c}, {e2 - 2 * t, c},
                                             {e2 - 7 * t, c},   {-e1 + 7 * t, c}, {e2 - 7 * t, -c}, {-e1 + 7 * t, -c}};
    const auto result = refhost::evaluateAspect(
        bonnetedBody(2470, F, H, flangedEnd(1, B, 0.3429, t1, 8), flangedEnd(2, B, 0.3429, t2, 8)), "Physical");
    ASSERT_TRUE(result.ok) << result.errorText;
    const auto nuts = indicesOf(result, "Nut_");
    ASSERT_EQ(nuts.size(), 8u);
    for (std::size_t i = 0; i < nuts.size(); ++i) {
        const auto [x, z] = centres[i];
        expectBoxNear(boxOf(result, nuts[i]),
                      {x - 1.5 * t, y, z - std::sqrt(3.0) * t, x + 1.5 * t, y + h, z + std::sqrt(3.0) * t});
    }
}

// With unequal flange thicknesses the bonnet's port-1 end depends only on t1 and its port-2 end only
// on t2, while the lofted body stays centred with length F - t1 - t2.
TEST(BonnetedBodiesPhysical, UnequalFlangesShiftTheBonnetNotTheLoft) {
    HostFixtureScope host;
    const double F = 0.292, t1 = 0.0239, t2 = 0.045, B = 0.1143, E = F - t1 - t2;
    struct Case {
        std::int32_t pdb;
        std::string box;
        double inset; // the box reaches from -(inset*F - t1) to inset*F - t2, scaled
        double scale;
        std::string loft;
    };
    const Case cases[] = {
        {2459, "Body3", 0.5, 0.95, "Body5_"}, {2459, "Body4", 0.5, 0.95, "Body5_"},
        {2469, "Body3", 0.45, 1.0, "Body6_"}, {2469, "Body5", 0.35, 1.0, "Body6_"},
        {2470, "Body4", 0.45, 1.0, "Body6_"}, {2470, "Body5", 0.45, 1.0, "Body6_"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pdb) + " " + c.box);
        const auto partSpec =
            bonnetedBody(c.pdb, F, 0.235, flangedEnd(1, B, 0.2286, t1, 4), flangedEnd(2, B, 0.2286, t2, 4));
        const auto result = refhost::evaluateAspect(partSpec, "Physical");
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto box = unitedBox(result, c.box);
        EXPECT_NEAR(box[0], -c.scale * (c.inset * F - t1), 1e-6);
        EXPECT_NEAR(box[3], c.scale * (c.inset * F - t2), 1e-6);
        const auto loft = unitedBox(result, c.loft);
        EXPECT_NEAR(loft[0], -E / 2, 1e-6);
        EXPECT_NEAR(loft[3], E / 2, 1e-6);
    }
}

// End-type code 15 on either port sizes the body by the larger flange diameter; otherwise by the larger
// pipe outside diameter, whatever the flanges.
TEST(BonnetedBodiesPhysical, BodyDiameterComesFromFlangesOnlyForEndType15) {
    HostFixtureScope host;
    struct Case {
        std::int32_t endType1, endType2;
        double expected;
    };
    const Case cases[] = {{5, 5, 0.1683}, {15, 5, 0.2794}, {5, 15, 0.2794}};
    for (std::int32_t pdb : {2459, 2469, 2470}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(pdb) + " end types " + std::to_string(c.endType1) + "/" +
                         std::to_string(c.endType2));
            auto port1 = flangedEnd(1, 0.1143, 0.2286, 0.0239, 4);
            auto port2 = flangedEnd(2, 0.1683, 0.2794, 0.0254, 6);
            port1.endType = c.endType1;
            port2.endType = c.endType2;
            const auto result = refhost::evaluateAspect(bonnetedBody(pdb, 0.356, 0.29, port1, port2), "Physical");
            ASSERT_TRUE(result.ok) << result.errorText;
            EXPECT_NEAR(boxOf(result, 0)[5], c.expected / 2, 1e-6);
            EXPECT_NEAR(boxOf(result, 1)[5], c.expected / 2, 1e-6);
        }
    }
}

// A part with one port fails when the second port's end type is read, before anything is drawn.
TEST(BonnetedBodiesPhysical, PartWithOnePortFailsBeforeDrawing) {
    HostFixtureScope host;
    for (std::int32_t pdb : {2459, 2469, 2470}) {
        auto partSpec = bonnetedBody(pdb, 0.292, 0.235, flangedEnd(1, 0.1143, 0.2286, 0.0239, 4),
                                     flangedEnd(2, 0.1143, 0.2286, 0.0239, 4));
        partSpec.ports.pop_back();
        const auto result = refhost::evaluateAspect(partSpec, "Physical");
        EXPECT_FALSE(result.ok) << pdb;
        EXPECT_EQ(result.errorCode, host::kGenericFailure) << pdb;
        EXPECT_TRUE(outputNames(result).empty()) << pdb;
    }
}

} // namespace
} // namespace tcv::test
