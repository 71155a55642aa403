// Physical aspect of the wafer, lug, shaped in-line, cone, collar and bulb bodies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <set>

#include "physical/InlineBodyTestSupport.h"
#include "refhost/Catalog.h"

namespace tcv::test::inline_bodies {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kPipeOD = 0.1143, kFlangeOD = 0.2286, kFlangeThk = 0.0239;

using Names = std::vector<std::string>;

struct BodyCase {
    std::int32_t partDataBasis;
    Names names;
    bool direct;            // nozzles by CreateNozzleDirect rather than CreateNozzle
    bool nozzle1FaceToFace; // nozzle 1 made with the face-to-face length
};

void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.partDataBasis; }

Names withNozzles(Names names) {
    names.insert(names.end(), {"PNoz1", "PNoz2"});
    return names;
}

class InlineBodyPhysical : public ::testing::TestWithParam<BodyCase> {};

TEST_P(InlineBodyPhysical, AddsItsOutputsInOrderAndPlacesEachNozzleWithItsOwnPort) {
    const BodyCase& c = GetParam();
    auto partSpec = inlinePart(c.partDataBasis);
    partSpec.ports = {mechanicalPort(1, 0.004, 0.001), mechanicalPort(2, 0.006, 0.0025)};
    partSpec.ports[1].length = 0.03;
    const double L = partSpec.inputs.at("FacetoFace");

    for (bool utility : {true, false}) {
        SCOPED_TRACE(utility ? "with the graphics utility" : "without the graphics utility");
        auto options = refhost::RefRuntime::defaultOptions();
        options.offerSymbolUtilities = utility;
        const auto result = refhost::evaluateAspect(partSpec, "Physical", options);
        ASSERT_TRUE(result.ok) << result.errorText;
        ASSERT_EQ(outputNames(result), c.names);
        expectAllValid(result);

        const Nozzle n1 = nozzleOf(result, c.names.size() - 2), n2 = nozzleOf(result, c.names.size() - 1);
        EXPECT_EQ(n1.port, 1);
        EXPECT_EQ(n2.port, 2);
        EXPECT_NEAR(n1.position[0], -L / 2 - 0.004 + 0.001, kTight);
        EXPECT_NEAR(n2.position[0], L / 2 + 0.006 - 0.0025, kTight);
        EXPECT_EQ(n1.direction, (std::array<double, 3>{-1, 0, 0}));
        EXPECT_EQ(n2.direction, (std::array<double, 3>{1, 0, 0}));
        EXPECT_NEAR(n1.length, c.nozzle1FaceToFace ? L : kFlangeThk, kTight);
        EXPECT_NEAR(n2.length, 0.03, kTight);
        for (const Nozzle& n : {n1, n2}) {
            EXPECT_EQ(n.via, utility && !c.direct ? "utility" : "factory");
            EXPECT_EQ(n.direct, c.direct);
        }
    }
}

TEST_P(InlineBodyPhysical, DrawsItsSolidsFromPort1Alone) {
    const BodyCase& c = GetParam();
    const auto reference = physical(inlinePart(c.partDataBasis));
    auto partSpec = inlinePart(c.partDataBasis);
    partSpec.ports[1].pipeOD = 0.15;
    partSpec.ports[1].flangeOD = 0.3;
    partSpec.ports[1].flangeThickness = 0.04;
    const auto changed = physical(partSpec);
    ASSERT_TRUE(reference.ok && changed.ok) << changed.errorText;
    for (std::size_t i = 0; i + 2 < c.names.size(); ++i) {
        if (c.names[i] == "Port2" && c.partDataBasis == 2267) continue; // sized by its own port
        const auto a = measured(reference, i).bbox, b = measured(changed, i).bbox;
        for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(a[k], b[k], kTight) << c.names[i] << " " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllBodies, InlineBodyPhysical,
    ::testing::Values(BodyCase{2255, withNozzles({"Body", "Web"}), false, false},
                      BodyCase{2256, withNozzles({"Body", "Web", "Port1", "Port2"}), true, false},
                      BodyCase{2258, withNozzles(repeated({"Body"}, 10, "LugBody")), true, false},
                      BodyCase{2200, withNozzles(repeated({"Body"}, 6, "CheckValve_")), false, false},
                      BodyCase{2269, withNozzles(repeated({"Body"}, 5, "CheckValve_")), false, true},
                      BodyCase{2270, withNozzles(repeated({"Body", "CheckValveBody_"}, 3, "CheckValve_")), false, true},
                      BodyCase{2271, withNozzles({"Body"}), false, false},
                      BodyCase{2232, withNozzles({"Body", "MainBodyRighttCone", "VerticalCylinder"}), false, false},
                      BodyCase{2267, withNozzles({"Body", "Port1", "Port2"}), true, false},
                      BodyCase{2268, withNozzles({"Body", "BottomCylinder", "TopCylinder1", "TopCylinder2"}), false,
                               false}));

struct FailureCase {
    const char* label;
    std::int32_t partDataBasis;
    std::map<std::string, double> inputs;
    std::optional<double> port1PipeOD, port1FlangeOD;
    Names kept;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.label; }

class InlineBodyFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(InlineBodyFailure, FailsAtTheFaultKeepingWhatItAdded) {
    const FailureCase& c = GetParam();
    auto partSpec = inlinePart(c.partDataBasis);
    for (const auto& [name, value] : c.inputs) partSpec.inputs[name] = value;
    if (c.port1PipeOD) partSpec.ports[0].pipeOD = *c.port1PipeOD;
    if (c.port1FlangeOD) partSpec.ports[0].flangeOD = *c.port1FlangeOD;
    const auto result = physical(partSpec);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, host::kGenericFailure);
    EXPECT_EQ(outputNames(result), c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, InlineBodyFailure,
    ::testing::Values(FailureCase{"flats wider than the flange", 2256, {{"Height", 0.3}}, {}, {}, {"Body"}},
                      FailureCase{"web wider than the pipe", 2256, {}, 0.05, 0.3, {"Body"}},
                      FailureCase{"bulb of no length", 2271, {{"FacetoFace", 0}}, {}, {}, {}},
                      FailureCase{"domed bulb of no length", 2268, {{"FacetoFace", 0}}, {}, {}, {}}));

struct FlatsCase {
    const char* label;
    double height;
    std::int32_t endType;
    double flangeOD, flangeThk;
    double acrossFlats, discDiameter, discThickness;
};

void PrintTo(const FlatsCase& c, std::ostream* os) { *os << c.label; }

class FlatSidedWafer : public ::testing::TestWithParam<FlatsCase> {};

TEST_P(FlatSidedWafer, CutsItsDiscsAcrossFlatsAndStandsTheWebOnTheBore) {
    const FlatsCase& c = GetParam();
    auto partSpec = inlinePart(2256);
    partSpec.inputs["Height"] = c.height;
    auto& port = partSpec.ports[0];
    port.endType = c.endType;
    port.terminationClass = c.endType == 15 ? 15 : 5;
    port.flangeOD = c.flangeOD;
    port.flangeThickness = c.flangeThk;
    const auto result = physical(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    ASSERT_EQ(outputNames(result), withNozzles({"Body", "Web", "Port1", "Port2"}));
    expectAllValid(result);

    const double L = kWaferLength, t = c.discThickness, R = c.discDiameter / 2, h = c.acrossFlats / 2;
    expectCylinder(result, 0, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0}, kPipeOD);
    const double w = 0.4 * 2 * std::sqrt(R * R - h * h);
    expectBox(result, 1, {-L / 2 + t, std::sqrt(kPipeOD * kPipeOD / 4 - w * w / 4), -w / 2}, {L / 2 - t, h, w / 2});
    const double segment = R * R * std::acos(h / R) - h * std::sqrt(R * R - h * h);
    const std::array<std::array<double, 6>, 2> discBoxes{
        {{-L / 2, -h, -R, -L / 2 + t, h, R}, {L / 2 - t, -h, -R, L / 2, h, R}}};
    for (std::size_t d = 0; d < 2; ++d) {
        const auto m = measured(result, 2 + d);
        for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(m.bbox[k], discBoxes[d][k], kMeasured) << "disc " << d;
        EXPECT_NEAR(*m.volume, t * (kPi * R * R - 2 * segment), 1e-4 * *m.volume);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FlatSidedWafer,
    ::testing::Values(
        FlatsCase{"flats from the flange", 0, 5, 0.3, kFlangeThk, 0.27, 0.3, kFlangeThk},
        FlatsCase{"flats from the height", 0.25, 5, 0.3, kFlangeThk, 0.25, 0.3, kFlangeThk},
        FlatsCase{"female end without flange", 0, 15, 0, 0, 1.05 * kPipeOD, 1.1 * kPipeOD, 0.15 * kWaferLength},
        FlatsCase{"female end with flange", 0, 15, kFlangeOD, kFlangeThk, 0.9 * kFlangeOD, kFlangeOD, kFlangeThk},
        FlatsCase{"flange without thickness", 0, 5, kFlangeOD, 0, 0.9 * kFlangeOD, kFlangeOD, 0.15 * kWaferLength}));

TEST(FlatSidedWafer, TakesTheFemaleEndFromTheFirstListedPortAndDrawsNoDiscsWithoutIt) {
    auto partSpec = inlinePart(2256);
    partSpec.ports = {plainPort(2, kPipeOD), plainPort(1, kPipeOD)};
    partSpec.ports[0].endType = 15; // listed first, though it is port 2
    const auto female = physical(partSpec);
    ASSERT_TRUE(female.ok) << female.errorText;
    EXPECT_EQ(outputNames(female), withNozzles({"Body", "Web", "Port1", "Port2"}));

    partSpec.ports[0].endType = 10;
    const auto plain = physical(partSpec);
    const auto names = outputNames(plain);
    EXPECT_EQ(names.front(), "Body");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Port1") + std::count(names.begin(), names.end(), "Port2"), 0);
}

TEST(LuggedWafer, SetsEightRoundedLugsAwayFromTheVerticalAndTwoBlocksOnIt) {
    const auto result = physical(inlinePart(2258));
    ASSERT_TRUE(result.ok) << result.errorText;
    const double L = kWaferLength, Fd = kFlangeOD, s = 0.1 * Fd, r = std::sqrt(0.16 * Fd * Fd - s * s / 4);
    const double lugArea = s * (0.45 * Fd - r) + kPi * s * s / 8;
    const double angles[] = {45, 75, 105, 135, 225, 255, 285, 315};
    for (std::size_t k = 0; k < 8; ++k) {
        const auto tip = recordedTriple(recorded(result, 1 + k).creation(), "profile.curve2.centre");
        const double angle = std::fmod(std::atan2(tip[2], tip[1]) * 180 / kPi + 360, 360);
        EXPECT_NEAR(angle, angles[k], 1e-9) << "lug " << k;
        EXPECT_NEAR(std::hypot(tip[1], tip[2]), 0.45 * Fd, kTight);
        EXPECT_NEAR(*measured(result, 1 + k).volume, L * lugArea, 1e-4 * L * lugArea) << "lug " << k;
    }
    const double w = 0.5 * Fd * std::sin(kPi / 12), r2 = std::sqrt(0.16 * Fd * Fd - w * w);
    expectBox(result, 9, {-L / 2, r2, -w}, {L / 2, 0.5 * Fd, w});
    expectBox(result, 10, {-L / 2, -r2, -w}, {L / 2, -0.5 * Fd, w});

    auto flangeless = inlinePart(2258);
    flangeless.ports[0].flangeOD = 0;
    const auto fallback = physical(flangeless);
    ASSERT_TRUE(fallback.ok) << fallback.errorText;
    expectCylinder(fallback, 0, {-L / 2, 0, 0}, {L / 2, 0, 0}, 1.6 * kPipeOD);
}

struct Cyl {
    std::size_t index;
    std::array<double, 3> start, end;
    double diameter;
};

struct OptionalCase {
    const char* label;
    std::int32_t partDataBasis;
    std::map<std::string, double> inputs;
    Names names;
    std::vector<Cyl> cylinders;
};

void PrintTo(const OptionalCase& c, std::ostream* os) { *os << c.label; }

constexpr double H = 0.25, Lb = kSwingLength - kFlangeThk;

class PlugAndFlush : public ::testing::TestWithParam<OptionalCase> {};

TEST_P(PlugAndFlush, DrawsOnlyTheConnectionsThatHaveADiameter) {
    const OptionalCase& c = GetParam();
    auto partSpec = inlinePart(c.partDataBasis);
    for (const auto& [name, value] : c.inputs) partSpec.inputs[name] = value;
    const auto result = physical(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(outputNames(result), withNozzles(c.names));
    for (const Cyl& cyl : c.cylinders) expectCylinder(result, cyl.index, cyl.start, cyl.end, cyl.diameter);
    if (c.partDataBasis == 2269)
        expectBox(result, 1, {-kSwingLength / 2, -0.1 * H, -H / 2}, {kSwingLength / 2, 0.1 * H, H / 2});
}

const Cyl kBody2270{0, {-0.4 * Lb, -0.025 * H, 0}, {0.4 * Lb, -0.025 * H, 0}, 0.85 * H};
const Cyl kCollar2270{1, {-0.4 * Lb, 0, 0}, {-0.3 * Lb, 0, 0}, H};
const Cyl kBody2269{0, {-0.4 * Lb, 0, 0}, {0.4 * Lb, 0, 0}, 0.75 * H};
const Cyl kBowl2269{2, {0, 0.4 * H, 0}, {0, -0.45 * H, 0}, 0.6 * Lb};

INSTANTIATE_TEST_SUITE_P(
    Options, PlugAndFlush,
    ::testing::Values(OptionalCase{"collar body bare",
                                   2270,
                                   {{"PlugDiameter", 0}, {"FlushDiameter", 0}},
                                   {"Body", "CheckValveBody_"},
                                   {kBody2270, kCollar2270}},
                      OptionalCase{"collar body with plug and flushes",
                                   2270,
                                   {},
                                   {"Body", "CheckValveBody_", "CheckValve_", "CheckValve_", "CheckValve_"},
                                   {kBody2270,
                                    kCollar2270,
                                    {2, {0.25 * Lb, 0.4 * H, 0}, {0.25 * Lb, 0.5 * H, 0}, 0.03},
                                    {3, {-0.2 * Lb, -0.45 * H, 0}, {-0.2 * Lb, -0.5 * H, 0}, 0.02},
                                    {4, {0.2 * Lb, -0.45 * H, 0}, {0.2 * Lb, -0.5 * H, 0}, 0.02}}},
                      OptionalCase{
                          "plate body with the right flush only",
                          2269,
                          {{"PlugDiameter", 0}, {"FlushDiameter1", 0}},
                          {"Body", "CheckValve_", "CheckValve_", "CheckValve_"},
                          {kBody2269, kBowl2269, {3, {0.2 * Lb, -0.45 * H, 0}, {0.2 * Lb, -0.5 * H, 0}, 0.02}}},
                      OptionalCase{"plate body with plug and left flush",
                                   2269,
                                   {{"FlushDiameter2", 0}, {"FlushDiameter1", 0.025}},
                                   {"Body", "CheckValve_", "CheckValve_", "CheckValve_", "CheckValve_"},
                                   {kBody2269,
                                    kBowl2269,
                                    {3, {0, 0.4 * H, 0}, {0, 0.5 * H, 0}, 0.03},
                                    {4, {-0.2 * Lb, -0.45 * H, 0}, {-0.2 * Lb, -0.5 * H, 0}, 0.025}}}));

struct BulbCase {
    const char* label;
    std::int32_t partDataBasis;
    const char* input;
    double value, crest;
    double pipeOD = kPipeOD;
};

void PrintTo(const BulbCase& c, std::ostream* os) { *os << c.label; }

class BulbBody : public ::testing::TestWithParam<BulbCase> {};

void checkBulb(const BulbCase& c) {
    auto partSpec = inlinePart(c.partDataBasis);
    partSpec.inputs[c.input] = c.value;
    partSpec.ports[0].pipeOD = c.pipeOD;
    const auto result = physical(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    const auto m = measured(result, 0);
    ASSERT_TRUE(m.valid);
    const double L = kSwingLength, r = c.pipeOD / 2, a = 0.35 * L, b = c.crest - r;
    const std::array<double, 6> box{-L / 2 + kFlangeThk, -c.crest, -c.crest, L / 2 - kFlangeThk, c.crest, c.crest};
    for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(m.bbox[k], box[k], kMeasured) << k;
    const double runs = kPi * r * r * (L - 2 * kFlangeThk - 2 * a);
    const double bulge = kPi * (2 * a * r * r + kPi * a * r * b + 4 * a * b * b / 3);
    EXPECT_NEAR(*m.volume, runs + bulge, 1e-4 * (runs + bulge));
}

TEST_P(BulbBody, RevolvesAHalfEllipseOverTheCrestBetweenPipeRuns) { checkBulb(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Profiles, BulbBody,
                         ::testing::Values(BulbCase{"bulb", 2271, "Width", 0.2, 0.1},
                                           BulbCase{"domed bulb", 2268, "HeightFrmValCen", 0.15, 0.105}));

// A crest at the pipe wall asks the host for an elliptical arc of ratio 0, which must come out as a flat
// profile (a plain cylinder over the bulb's length).
class FlatBulbBody : public BulbBody {};

TEST_P(FlatBulbBody, DrawsAFlatProfileWithTheCrestAtThePipeWall) { checkBulb(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Profiles, FlatBulbBody,
                         ::testing::Values(BulbCase{"flat bulb", 2271, "Width", kPipeOD, kPipeOD / 2},
                                           // 0.7 x 0.125 is exactly half of 0.175 in binary too.
                                           BulbCase{"flat domed bulb", 2268, "HeightFrmValCen", 0.125, 0.0875, 0.175}));

TEST(DoubleConeBody, MeetsAtTheCentreAndFallsBackToHalfTheLengthForItsVerticalCylinder) {
    for (const auto& [diameter, expected] : {std::pair{0.0, 0.5 * kSwingLength}, std::pair{0.1, 0.1}}) {
        auto partSpec = inlinePart(2232);
        partSpec.inputs["Diameter"] = diameter;
        const auto result = physical(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto& cone = recorded(result, 0).creation();
        expectNear(recordedTriple(cone, "baseCentre"), {-kSwingLength / 2 + kFlangeThk, 0, 0});
        expectNear(recordedTriple(cone, "topCentre"), {0, 0, 0});
        EXPECT_NEAR(recordedNumber(cone, "baseRadius"), kPipeOD / 2, kTight);
        EXPECT_NEAR(recordedNumber(cone, "topRadius"), 0.1, kTight);
        expectCylinder(result, 2, {0, -0.1, 0}, {0, 0.2, 0}, expected);
    }
}

struct CollarCase {
    const char* label;
    double flangeOD1, flangeThk1, flangeOD2, flangeThk2;
    double thickness, collar1, collar2;
};

void PrintTo(const CollarCase& c, std::ostream* os) { *os << c.label; }

class CollaredBore : public ::testing::TestWithParam<CollarCase> {};

TEST_P(CollaredBore, CollarsEachEndNeverNarrowerThanThePipe) {
    const CollarCase& c = GetParam();
    auto partSpec = inlinePart(2267);
    partSpec.ports[0].flangeOD = c.flangeOD1;
    partSpec.ports[0].flangeThickness = c.flangeThk1;
    partSpec.ports[1].flangeOD = c.flangeOD2;
    partSpec.ports[1].flangeThickness = c.flangeThk2;
    const auto result = physical(partSpec);
    ASSERT_TRUE(result.ok) << result.errorText;
    const double L = kSwingLength, t = c.thickness;
    expectCylinder(result, 0, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0}, kPipeOD);
    expectCylinder(result, 1, {-L / 2, 0, 0}, {-L / 2 + t, 0, 0}, c.collar1);
    expectCylinder(result, 2, {L / 2, 0, 0}, {L / 2 - t, 0, 0}, c.collar2);
}

INSTANTIATE_TEST_SUITE_P(Collars, CollaredBore,
                         ::testing::Values(CollarCase{"flanged", kFlangeOD, kFlangeThk, kFlangeOD, kFlangeThk,
                                                      kFlangeThk, kFlangeOD, kFlangeOD},
                                           CollarCase{"flangeless", 0, 0, 0, 0, 0.15 * kSwingLength, kPipeOD, kPipeOD},
                                           CollarCase{"hubs narrower than the pipe", 0.1, kFlangeThk, 0.1, kFlangeThk,
                                                      kFlangeThk, kPipeOD, kPipeOD},
                                           CollarCase{"wider, thicker port 2 flange", kFlangeOD, kFlangeThk, 0.3, 0.04,
                                                      kFlangeThk, kFlangeOD, 0.3}));

TEST(WaferInlineConeCatalog, EverySamplePartBuildsValidSolidsInBothAspects) {
    const auto parts = refhost::loadCatalogFile(std::string(TCV_DATA_DIR) + "/catalog/wafer-inline-cone.json");
    std::set<std::int32_t> bases;
    bool flangeless = false;
    for (const auto& part : parts) {
        SCOPED_TRACE(part.name);
        bases.insert(part.partDataBasis);
        flangeless |= std::all_of(part.ports.begin(), part.ports.end(), [](const auto& p) { return p.flangeOD == 0; });
        for (const char* aspect : {"Physical", "Insulation"}) {
            const auto result = refhost::evaluateAspect(part, aspect);
            ASSERT_TRUE(result.ok) << aspect << ": " << result.errorText;
            EXPECT_FALSE(result.outputs->outputs().empty());
            expectAllValid(result);
        }
    }
    EXPECT_EQ(bases, (std::set<std::int32_t>{2200, 2232, 2255, 2256, 2258, 2267, 2268, 2269, 2270, 2271}));
    EXPECT_TRUE(flangeless);
}

} // namespace
} // namespace tcv::test::inline_bodies
