// Insulation graphics of the jacketed six-port body (2381), the covered bore bodies (5, 10, 13), the
// angled-branch valves (385, 386, 387), the four-port jacketed bodies (3124, 3125, 3146) and the
// five-port domed body (3183): outputs and their order, the envelopes' extents and the failures.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "support/MultiPortParts.h"
#include "support/TestSupport.h"

namespace tcv::test {
namespace {

using namespace multi_port;

refhost::AspectResult insulation(const refhost::CatalogPart& partSpec) {
    return refhost::evaluateAspect(partSpec, contract::Aspect::Insulation);
}

using Names = std::vector<std::string>;

// The insulation of the sample part with the given change; the test fails unless it is built.
template <class Adjust>
refhost::AspectResult insulated(std::int32_t pdb, Adjust adjust) {
    auto partSpec = samplePart(pdb);
    adjust(partSpec);
    auto result = insulation(partSpec);
    EXPECT_TRUE(result.ok) << result.errorText;
    return result;
}

// Ends without a flange, or whose flange has no thickness, get no flange shell (ring). For the covered
// bore, port 1's ring is also left out for a negative thickness, port 2's only for zero.
TEST(MultiPortInsulation, FlangeShellsOnlyWhereAFlangeHasThickness) {
    HostFixtureScope host;
    auto thicknesses = [](double t1, double t2) {
        return [=](refhost::CatalogPart& p) { p.ports[0].flangeThickness = t1, p.ports[1].flangeThickness = t2; };
    };
    auto plainEnds = [](refhost::CatalogPart& p) {
        for (auto& port : p.ports) port = socketEnd(port.index, port.pipeOD, port.npd);
    };
    const Names jacketPlain = {"InsulatedBody", "InsOutput2", "InsOutput3", "InsOutput4", "InsOutput5"};
    const std::tuple<std::int32_t, std::function<void(refhost::CatalogPart&)>, Names> cases[] = {
        {13, thicknesses(0, 0), {"InsulatedBody", "InsOutput2"}},
        {13, thicknesses(-0.001, -0.001), {"InsulatedBody", "InsOutput2", "InsPNoz2"}},
        {13, thicknesses(0, 0.0191), {"InsulatedBody", "InsOutput2", "InsPNoz2"}},
        {3124, plainEnds, jacketPlain},
        {3125, plainEnds, jacketPlain},
        {3146, plainEnds, jacketPlain},
        {3183, plainEnds, {"InsOutput1", "InsOutput2", "InsOutput3", "InsulatedBody"}},
    };
    for (const auto& [pdb, adjust, names] : cases) {
        EXPECT_EQ(outputNames(insulated(pdb, adjust)), names) << pdb;
    }
}

// ---- 2381 -----------------------------------------------------------------------------------------

// The insulated jacket grows by T at the top, sides and bottom of the outlet "D" and moves each section
// T outwards; a port without flange thickness still gets a 0.0001 collar of the insulated pipe.
TEST(InsulatedJacketedSixPort, JacketGrowsByTheThicknessAndCollarsCoverTheEnds) {
    HostFixtureScope host;
    auto plainPortTwo = [](refhost::CatalogPart& p) { p.ports[1] = socketEnd(2, kOdNps4, 4); };
    const auto result = insulated(2381, plainPortTwo);
    expectAllShapesValid(result);
    const double L = 0.292, T = 0.04, A = 0.15, B = 0.10, E = 0.22, C = 0.07;
    const double R = kOdNps4 / 2 + (A - kOdNps4 / 2) / 2 + T;
    const double halfWidth = std::max(R, E / 2 + T);
    // The host's loft may bulge past its straight guides by about 1% of the jacket's size.
    expectBoxNear(unitedBox(result, "InsulatedBody2_"),
                  {-0.25 * L - T, -B - T, -halfWidth, L / 2 - 1.3 * C + T, A + T, halfWidth}, 2e-3);
    const double d = 0.2286 + 2 * T;
    expectBoxNear(boxOf(result, "InsulatedBody3"), {-L / 2, -d / 2, -d / 2, -L / 2 + 0.0239 + T, d / 2, d / 2});
    const double e = kOdNps4 + 2 * T;
    expectBoxNear(boxOf(result, "InsulatedBody4"), {L / 2, -e / 2, -e / 2, L / 2 + 0.0001, e / 2, e / 2});

    // When a quarter of the face-to-face length plus T passes the inlet face, the inlet section sits on it.
    const auto thick = insulated(2381, [&](refhost::CatalogPart& p) {
        plainPortTwo(p);
        p.inputs["InsulationThickness"] = 0.08; // 0.25 L + T = 0.153 > 0.146
    });
    EXPECT_NEAR(unitedBox(thick, "InsulatedBody2_")[0], -0.146, 2e-3);
}

// ---- The other bodies: envelopes and their limits ----------------------------------------------------

TEST(MultiPortInsulation, EnvelopesAndTheirLimits) {
    HostFixtureScope host;
    // 5: the cover box spans the faces when the cover square is wider than the insulation is thick,
    // else the square grown by T; it rises from the axis to T above the valve height over the bore's
    // bottom.
    for (const auto& [T, halfX, halfZ] : {std::tuple{0.05, 0.2, 0.21}, std::tuple{0.2, 0.36, 0.36}}) {
        const auto cover = insulated(5, [T](refhost::CatalogPart& p) {
            p.ports = {flangedEnd(1, kOdNps4, 0.2286, 0.02, 4), flangedEnd(2, kOdNps4, 0.2286, 0.02, 4)};
            p.inputs["FacetoFace"] = 0.4, p.inputs["InsulationThickness"] = T;
        });
        const double top = T + samplePart(5).inputs.at("ValveHeight") - kOdNps4 / 2;
        expectBoxNear(boxOf(cover, "InsulatedBody"), {-halfX, 0, -halfZ, halfX, top, halfZ}, 1e-9);
    }

    // 13 sizes the box on the shorter side while the bore runs face to face, over the flange.
    const auto unequal = insulated(13, [](refhost::CatalogPart& p) {
        p.ports = {flangedNps4(1), flangedNps4(2)};
        p.inputs["Face1toCenter"] = 0.25, p.inputs["Face2toCenter"] = 0.15;
    });
    const auto box = boxOf(unequal, "InsulatedBody"), bore = boxOf(unequal, "InsOutput2");
    EXPECT_NEAR(box[0], -0.15, 1e-9);
    EXPECT_NEAR(box[3], 0.15, 1e-9);
    EXPECT_NEAR(box[5], 0.15 - 2 * 0.0239 + 0.04, 1e-9);
    EXPECT_NEAR(bore[0], -0.25, 1e-9);
    EXPECT_NEAR(bore[3], 0.15, 1e-9);
    EXPECT_NEAR(bore[4], (0.2286 + 2 * 0.04) / 2, 1e-9);

    // 385: a ring thicker than its face-to-centre distance (t1 + T = 0.0639 > A = 0.05) stops at the centre.
    const auto rings = insulated(385, [](refhost::CatalogPart& p) {
        p.inputs["FacetoFace"] = 0.1, p.inputs["BranchLength"] = 0.2, p.inputs["InsulationThickness"] = 0.04;
        p.ports = {flangedEnd(1, 0.0603, 0.1524, 0.0239, 2), flangedEnd(2, 0.0603, 0.1524, 0.0239, 2)};
    });
    EXPECT_NEAR(boxOf(rings, "InsPNoz1")[3], 0, 1e-9);
    EXPECT_NEAR(boxOf(rings, "InsPNoz2")[0], 0, 1e-9);

    // 3124, 3125, 3146: a stem shell that would be wider than the valve is long is as wide as the
    // face-to-face length.
    for (std::int32_t pdb : {3124, 3125, 3146}) {
        const auto stem = boxOf(insulated(pdb, [](refhost::CatalogPart& p) { p.inputs["InsulationThickness"] = 0.08; }),
                                "InsOutput2");
        EXPECT_NEAR(stem[3] - stem[0], 0.203, 1e-9) << pdb;
    }
    // 3124's stem shell reaches T = 0.025 below the run, or the jacket outlet when that is nearer (below
    // T + OD(1) = 0.0853).
    EXPECT_NEAR(boxOf(insulated(3124, [](auto&) {}), "InsOutput2")[1], -kOdNps2 / 2 - 0.025, 1e-9);
    const auto nearOutlet = insulated(3124, [](refhost::CatalogPart& p) { p.inputs["YOffJacketOutlet"] = 0.07; });
    EXPECT_NEAR(boxOf(nearOutlet, "InsOutput2")[1], -0.07, 1e-9);

    // 3183: the body shell grows by one thickness (D + T), limited to the face-to-face length, and runs
    // from 0.85 Yo + T below the axis to H + T.
    for (double D : {0.20, 0.26}) { // D + T = 0.25 or 0.31 against F = 0.292
        const auto domed = insulated(3183, [D](refhost::CatalogPart& p) { p.inputs["Diameter"] = D; });
        const double width = std::min(D + 0.05, 0.292);
        expectBoxNear(boxOf(domed, "InsulatedBody"),
                      {-width / 2, -0.85 * 0.2 - 0.05, -width / 2, width / 2, 0.35, width / 2});
    }
}

// 385: the insulated branch is the branch diameter of the bare valve plus 2T, from the same root.
TEST(InsulatedAngledBranch, BranchShellIsTheBranchGrownByTheThickness) {
    HostFixtureScope host;
    const auto partSpec = samplePart(385);
    const auto bare = refhost::evaluateAspect(partSpec, contract::Aspect::Physical), insulated = insulation(partSpec);
    ASSERT_TRUE(bare.ok && insulated.ok) << bare.errorText << insulated.errorText;
    const auto& branch = recorded(bare, indexOf(bare, "Branch")).creation();
    const auto& shell = recorded(insulated, indexOf(insulated, "InsulatedBody")).creation();
    EXPECT_NEAR(recordedNumber(shell, "profile.radius"), recordedNumber(branch, "profile.radius") + 0.05, 1e-12);
    EXPECT_EQ(recordedTriple(shell, "profile.centre"), recordedTriple(branch, "profile.centre"));

    // 387 with B = 0 fails in the branch diameter, before anything is added.
    auto zeroB = samplePart(387);
    zeroB.inputs["Face2toCenter"] = 0;
    expectFailureKeeping(insulation(zeroB), {});
}

} // namespace
} // namespace tcv::test
