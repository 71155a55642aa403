// Physical graphics of the nipple-end valves (2856 to 2861) and the port-sized bonneted bodies (2459,
// 2469, 2470): outputs and their order, the lofted body, nipples, nuts, the bonnet's place between
// the flanges, the body diameter and the failures a catalogue administrator meets.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/NippleBonnetParts.h"
#include "support/TestSupport.h"

namespace tcv::test {
namespace {

using namespace nipple_bonnet;
using Names = std::vector<std::string>;

constexpr std::int32_t kNippleEnds[] = {2856, 2857, 2858, 2859, 2860, 2861};
constexpr std::int32_t kBonneted[] = {2459, 2469, 2470};

refhost::AspectResult physical(const refhost::CatalogPart& partSpec) {
    return refhost::evaluateAspect(partSpec, contract::Aspect::Physical);
}

Names operator+(Names names, const Names& more) {
    names.insert(names.end(), more.begin(), more.end());
    return names;
}
Names times(std::size_t count, const std::string& name) { return Names(count, name); }

// Every sample part adds its bonnet, every surface of the loft under the builder's literal, then the
// rest; all of it valid. The lofted body runs between its two end circles and follows its lower guide
// down to 0.75 of its diameter below the flow axis at the valve centre.
TEST(NippleBonnetPhysical, SamplePartsAddTheirOutputsInOrderWithTheLoftFollowingItsGuides) {
    HostFixtureScope host;
    const Names fourNuts = Names{"Body", "Body2", "Body3", "Body4", "Body5"} + times(4, "Nut_");
    const Names ruled = {"Body", "Body2", "Body3", "Body4", "RuledSurface", "Body6"};
    const Names eightNuts = Names{"Body", "Body2", "Body3", "Body4", "Body5", "Body6"} + times(8, "Nut_");
    const Names nozzles = {"PNoz1", "PNoz2"};
    struct Layout {
        std::int32_t partDataBasis;
        Names before;
        std::string loft;
        Names after;
    };
    const Layout layouts[] = {
        {2856, fourNuts, "Body6_", nozzles},
        {2857, fourNuts, "Body6_", nozzles},
        {2858, ruled, "Body7_", nozzles},
        {2859, ruled, "Body7_", nozzles},
        {2860, eightNuts, "Body7_", nozzles},
        {2861, eightNuts, "Body7_", nozzles},
        {2459, Names{"Body", "Body2", "Body3", "Body4"} + times(4, "Nut_"), "Body5_", nozzles},
        {2469, {"Body", "Body2", "Body3", "RuledSurface", "Body5"}, "Body6_", nozzles},
        {2470, {"Body", "Body2", "Body3", "Body4", "Body5"}, "Body6_", times(8, "Nut_") + nozzles},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.partDataBasis);
        const refhost::CatalogPart partSpec = samplePart(layout.partDataBasis);
        const auto result = physical(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        const std::size_t loftCount = indicesOf(result, layout.loft).size();
        ASSERT_GE(loftCount, 1u);
        EXPECT_EQ(outputNames(result), layout.before + times(loftCount, layout.loft) + layout.after);
        expectAllGeometryValid(result);

        // The loft's length and diameter: nipple-end valves take the body length and 0.8 (D/2 + H) of
        // the largest port diameter D; bonneted bodies the face-to-face less both flanges and the larger pipe.
        const auto &p1 = partSpec.ports[0], &p2 = partSpec.ports[1];
        const bool nipples = layout.partDataBasis >= 2856;
        const double length = nipples ? partSpec.inputs.at("ValveFacetoFace")
                                      : partSpec.inputs.at("FacetoFace") - p1.flangeThickness - p2.flangeThickness;
        const double d = std::max({p1.pipeOD, p1.flangeOD, p2.pipeOD, p2.flangeOD});
        const double diameter =
            nipples ? 0.8 * (d / 2 + partSpec.inputs.at("HeightFrmValCen")) : std::max(p1.pipeOD, p2.pipeOD);
        const double r = diameter / 2;
        expectBoxNear(unitedBox(result, layout.loft), {-length / 2, -0.75 * diameter, -r, length / 2, r, r}, 1e-4 * r);
    }
}

// V = 0.3 and N = 0.1, given directly (even) or as "EndtoEnd" 0.5 (odd): the nipples reach x = +-0.25
// and each nozzle sits at its nipple end moved by its port's depth and cpt offset.
TEST(NippleEndsPhysical, NippleLengthFromEitherInputPlacesNipplesAndNozzles) {
    HostFixtureScope host;
    auto port = [](std::int16_t index, double depth, double cptOffset) {
        refhost::PortSpec p = nippleEnd(index, 0.0334, 1);
        p.depth = depth;
        p.cptOffset = cptOffset;
        return p;
    };
    for (std::int32_t pdb : kNippleEnds) {
        SCOPED_TRACE(pdb);
        const auto result = physical(nippleValve(pdb, 0.3, 0.1, 0.2, port(1, 0.010, 0.004), port(2, 0.006, 0.002)));
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto body2 = boxOf(result, 1), body3 = boxOf(result, 2);
        EXPECT_NEAR(body2[0], -0.25, 1e-6);
        EXPECT_NEAR(body2[3], -0.15, 1e-6);
        EXPECT_NEAR(body3[0], 0.15, 1e-6);
        EXPECT_NEAR(body3[3], 0.25, 1e-6);

        const auto names = outputNames(result);
        ASSERT_EQ(Names(names.end() - 2, names.end()), (Names{"PNoz1", "PNoz2"}));
        const auto &nozzle1 = recorded(result, names.size() - 2).creation(),
                   &nozzle2 = recorded(result, names.size() - 1).creation();
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
    for (std::int32_t pdb : kNippleEnds) {
        const auto result =
            physical(nippleValve(pdb, 0.111, 0.0, 0.08, nippleEnd(1, 0.0334, 1), nippleEnd(2, 0.0334, 1)));
        EXPECT_FALSE(result.ok) << pdb;
        EXPECT_EQ(result.errorCode, host::kGenericFailure) << pdb;
        EXPECT_EQ(outputNames(result), Names{"Body"}) << pdb;
    }
}

// A flanged port's nipple takes the flange diameter, a plain port's its pipe diameter; the body
// diameter follows the larger nipple.
TEST(NippleEndsPhysical, NippleAndBodyDiametersFollowThePorts) {
    HostFixtureScope host;
    const auto flanged = flangedEnd(1, 0.0334, 0.108, 0.0143, 1);
    const auto plain = nippleEnd(2, 0.0483, 1.5);
    for (std::int32_t pdb : {2856, 2858, 2860}) {
        SCOPED_TRACE(pdb);
        const auto result = physical(nippleValve(pdb, 0.15, 0.08, 0.1, flanged, plain));
        ASSERT_TRUE(result.ok) << result.errorText;
        EXPECT_NEAR(boxOf(result, 0)[5], 0.8 * (0.108 / 2 + 0.1) / 2, 1e-6);
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
    const double y = 0.5 * B + 0.85 * (H - 0.5 * B), e1 = 0.4 * F - t1, e2 = 0.4 * F - t2, s = std::sqrt(3.0) * t;
    const std::array<double, 2> centres[] = {{-e1 + 2 * t, -c}, {-e1 + 2 * t, c}, {e2 - 2 * t, -c}, {e2 - 2 * t, c},
                                             {e2 - 7 * t, c},   {-e1 + 7 * t, c}, {e2 - 7 * t, -c}, {-e1 + 7 * t, -c}};
    const auto result =
        physical(bonnetedBody(2470, F, H, flangedEnd(1, B, 0.3429, t1, 8), flangedEnd(2, B, 0.3429, t2, 8)));
    ASSERT_TRUE(result.ok) << result.errorText;
    const auto nuts = indicesOf(result, "Nut_");
    ASSERT_EQ(nuts.size(), 8u);
    for (std::size_t i = 0; i < nuts.size(); ++i) {
        const auto [x, z] = centres[i];
        expectBoxNear(boxOf(result, nuts[i]), {x - 1.5 * t, y, z - s, x + 1.5 * t, y + h, z + s});
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
        double inset, scale; // the box reaches from -(inset F - t1) to inset F - t2, scaled
        std::string loft;
    };
    const Case cases[] = {
        {2459, "Body3", 0.5, 0.95, "Body5_"}, {2459, "Body4", 0.5, 0.95, "Body5_"},
        {2469, "Body3", 0.45, 1.0, "Body6_"}, {2469, "Body5", 0.35, 1.0, "Body6_"},
        {2470, "Body4", 0.45, 1.0, "Body6_"}, {2470, "Body5", 0.45, 1.0, "Body6_"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pdb) + " " + c.box);
        const auto result =
            physical(bonnetedBody(c.pdb, F, 0.235, flangedEnd(1, B, 0.2286, t1, 4), flangedEnd(2, B, 0.2286, t2, 4)));
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto box = unitedBox(result, c.box), loft = unitedBox(result, c.loft);
        EXPECT_NEAR(box[0], -c.scale * (c.inset * F - t1), 1e-6);
        EXPECT_NEAR(box[3], c.scale * (c.inset * F - t2), 1e-6);
        EXPECT_NEAR(loft[0], -E / 2, 1e-6);
        EXPECT_NEAR(loft[3], E / 2, 1e-6);
    }
}

// End-type code 15 on either port sizes the body by the larger flange diameter; otherwise by the larger
// pipe outside diameter, whatever the flanges.
TEST(BonnetedBodiesPhysical, BodyDiameterComesFromFlangesOnlyForEndType15) {
    HostFixtureScope host;
    const std::array<double, 3> cases[] = {{5, 5, 0.1683}, {15, 5, 0.2794}, {5, 15, 0.2794}};
    for (std::int32_t pdb : kBonneted) {
        for (const auto& [endType1, endType2, expected] : cases) {
            SCOPED_TRACE(std::to_string(pdb) + " end types " + std::to_string(endType1) + "/" +
                         std::to_string(endType2));
            auto port1 = flangedEnd(1, 0.1143, 0.2286, 0.0239, 4);
            auto port2 = flangedEnd(2, 0.1683, 0.2794, 0.0254, 6);
            port1.endType = static_cast<std::int32_t>(endType1);
            port2.endType = static_cast<std::int32_t>(endType2);
            const auto result = physical(bonnetedBody(pdb, 0.356, 0.29, port1, port2));
            ASSERT_TRUE(result.ok) << result.errorText;
            EXPECT_NEAR(boxOf(result, 0)[5], expected / 2, 1e-6);
            EXPECT_NEAR(boxOf(result, 1)[5], expected / 2, 1e-6);
        }
    }
}

// A part with one port fails when the second port's end type is read, before anything is drawn.
TEST(BonnetedBodiesPhysical, PartWithOnePortFailsBeforeDrawing) {
    HostFixtureScope host;
    for (std::int32_t pdb : kBonneted) {
        const auto port = flangedEnd(1, 0.1143, 0.2286, 0.0239, 4);
        auto partSpec = bonnetedBody(pdb, 0.292, 0.235, port, port);
        partSpec.ports.pop_back();
        const auto result = physical(partSpec);
        EXPECT_FALSE(result.ok) << pdb;
        EXPECT_EQ(result.errorCode, host::kGenericFailure) << pdb;
        EXPECT_TRUE(outputNames(result).empty()) << pdb;
    }
}

} // namespace
} // namespace tcv::test
