// Insulation of the nipple-end valves (2856 to 2861) and the port-sized bonneted bodies (2459, 2469,
// 2470): outputs and their order, the insulated sizes and their limits, and the flange rings.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/NippleBonnetParts.h"
#include "support/TestSupport.h"

namespace tcv::test {
namespace {

using namespace nipple_bonnet;

// A ring for each port with both a flange diameter and a flange thickness: from its nipple end inwards by
// t + T, whether N is given directly or derived from "EndtoEnd".
TEST(NippleEndsInsulation, FlangeRingsRunInwardsFromTheNippleEnds) {
    HostFixtureScope host;
    const double V = 0.15, N = 0.08, T = 0.025, t = 0.0143;
    const auto flanged1 = flangedEnd(1, 0.0334, 0.108, t, 1);
    const auto flanged2 = flangedEnd(2, 0.0334, 0.108, t, 1);
    auto noThickness = flanged2;
    noThickness.flangeThickness = 0;
    for (std::int32_t pdb : {2856, 2857, 2860, 2861}) {
        SCOPED_TRACE(pdb);
        const auto both =
            refhost::evaluateAspect(nippleValve(pdb, V, N, 0.1, flanged1, flanged2, T), contract::Aspect::Insulation);
        ASSERT_TRUE(both.ok) << both.errorText;
        const auto rings = indicesOf(both, "InsVal_");
        ASSERT_EQ(rings.size(), 2u);
        EXPECT_EQ(rings.back(), outputNames(both).size() - 1);
        const double end = V / 2 + N;
        expectBoxNear(boxOf(both, rings[0]),
                      {-end, -0.108 / 2 - T, -0.108 / 2 - T, -end + t + T, 0.108 / 2 + T, 0.108 / 2 + T});
        expectBoxNear(boxOf(both, rings[1]),
                      {end - t - T, -0.108 / 2 - T, -0.108 / 2 - T, end, 0.108 / 2 + T, 0.108 / 2 + T});

        const auto one = refhost::evaluateAspect(nippleValve(pdb, V, N, 0.1, flanged1, noThickness, T),
                                                 contract::Aspect::Insulation);
        ASSERT_TRUE(one.ok) << one.errorText;
        EXPECT_EQ(indicesOf(one, "InsVal_").size(), 1u);
    }
}

// The insulated nipple of a port whose pipe is wider than its flange covers 1.6 times the pipe; a
// flange wider than the pipe is covered as it is. The insulated body is 1.7 D + 2T across, but never
// higher than the bonnet top: a large insulation thickness caps it at 2H.
TEST(NippleEndsInsulation, NippleCoversTheWiderEndAndTheBodyStopsAtTheBonnetHeight) {
    HostFixtureScope host;
    const double T = 0.02, H = 0.08, pipe = 0.0334, D = 0.8 * (1.6 * pipe / 2 + H);
    const auto result = refhost::evaluateAspect(
        nippleValve(2858, 0.15, 0.08, 0.2, nippleEnd(1, 0.0483, 1.5), flangedEnd(2, pipe, 0.108, 0.0143, 1), T),
        contract::Aspect::Insulation);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_NEAR(boxOf(result, 1)[5], (1.6 * 0.0483 + 2 * T) / 2, 1e-6);
    EXPECT_NEAR(boxOf(result, 2)[5], (0.108 + 2 * T) / 2, 1e-6);
    for (const auto& [t, radius] : {std::pair{0.0, 1.7 * D / 2}, std::pair{0.1, H}}) {
        const auto body =
            refhost::evaluateAspect(nippleValve(2856, 0.111, 0.1, H, nippleEnd(1, pipe, 1), nippleEnd(2, pipe, 1), t),
                                    contract::Aspect::Insulation);
        ASSERT_TRUE(body.ok) << body.errorText;
        EXPECT_NEAR(boxOf(body, 0)[4], radius, 1e-6) << "T = " << t;
    }
}

// The insulated bonnet block of the plate bonnets reaches 0.45 (F - t) + T from the centre when that
// passes the faces, and to the faces otherwise; that of the neck bonnet always 0.45 (F - t) + T. The
// insulated bulge, 0.75 (F - 2t) + 2T across, hangs from the body top to 0.75 B + T below the axis; the
// face-to-face length limits it for the plate bonnets, never for the neck bonnet.
TEST(BonnetedBodiesInsulation, BonnetBlockAndBulgeLimitsDependOnTheBonnet) {
    HostFixtureScope host;
    const double F = 0.3, t = 0.02, B = 0.1143, H = 0.235;
    struct Case {
        std::int32_t pdb;
        double T, halfLength, bulge;
    };
    const Case cases[] = {{2459, 0.01, 0.15, 0.215}, {2459, 0.1, 0.226, F},      {2469, 0.01, 0.15, 0.215},
                          {2469, 0.1, 0.226, F},     {2470, 0.01, 0.136, 0.215}, {2470, 0.1, 0.226, 0.395}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pdb) + " T = " + std::to_string(c.T));
        const auto partSpec =
            bonnetedBody(c.pdb, F, H, flangedEnd(1, B, 0.2286, t, 4), flangedEnd(2, B, 0.2286, t, 4), c.T);
        const auto result = refhost::evaluateAspect(partSpec, contract::Aspect::Insulation);
        ASSERT_TRUE(result.ok) << result.errorText;
        expectBoxNear(unitedBox(result, "Body2"),
                      {-c.halfLength, 0.5 * B - c.T, -0.75 * B - c.T, c.halfLength, H + c.T, 0.75 * B + c.T});
        expectBoxNear(unitedBox(result, "InsValvBody"),
                      {-c.bulge / 2, -0.75 * B - c.T, -c.bulge / 2, c.bulge / 2, 0.5 * B, c.bulge / 2});
    }
}

// Unflanged ports or flanges of no thickness get no ring; a ring longer than the valve starts at the
// opposite face.
TEST(BonnetedBodiesInsulation, FlangeRingsOnlyForRealFlanges) {
    HostFixtureScope host;
    const double F = 0.3, B = 0.1143;
    auto thin = flangedEnd(2, B, 0.2286, 0.0, 4);
    const auto unflanged = refhost::evaluateAspect(bonnetedBody(2459, F, 0.235, nippleEnd(1, B, 4), thin, 0.05),
                                                   contract::Aspect::Insulation);
    ASSERT_TRUE(unflanged.ok) << unflanged.errorText;
    EXPECT_TRUE(indicesOf(unflanged, "InsVal_").empty());

    const double t = 0.02, T = 0.3;
    const auto thick =
        refhost::evaluateAspect(bonnetedBody(2470, F, 0.5, flangedEnd(1, B, 0.2286, t, 4), nippleEnd(2, B, 4), T),
                                contract::Aspect::Insulation);
    ASSERT_TRUE(thick.ok) << thick.errorText;
    const auto rings = indicesOf(thick, "InsVal_");
    ASSERT_EQ(rings.size(), 1u);
    const auto ring = boxOf(thick, rings[0]);
    EXPECT_NEAR(ring[0], F / 2, 1e-6);
    EXPECT_NEAR(ring[3], -F / 2 + t + T, 1e-6);
}

} // namespace
} // namespace tcv::test
