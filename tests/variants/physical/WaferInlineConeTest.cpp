// Physical aspect of the wafer, lug, shaped in-line, cone, collar and bulb bodies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "tarncheckvalve/catalog/Catalog.h"
#include "variants/physical/InlineBodyTestSupport.h"

namespace tcv::test::inline_bodies {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kPipeOD = 0.1143, kFlangeOD = 0.2286, kFlangeThk = 0.0239;

using Names = std::vector<std::string>;

Names withNozzles(Names names) {
    names.insert(names.end(), {"PNoz1", "PNoz2"});
    return names;
}

struct BodyCase {
    std::int32_t partDataBasis;
    Names names;
    bool direct;            // nozzles by CreateNozzleDirect rather than CreateNozzle
    bool nozzle1FaceToFace; // nozzle 1 made with the face-to-face length
};

void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.partDataBasis; }

class InlineBodyPhysical : public ::testing::TestWithParam<BodyCase> {};

// Ports whose cpt offset is kept (mechanical joints) and differs per port, so a sign or port mix-up shows.
TEST_P(InlineBodyPhysical, AddsItsOutputsInOrderAndPlacesEachNozzleWithItsOwnPort) {
    const BodyCase& c = GetParam();
    auto partSpec = inlinePart(c.partDataBasis);
    const double cpt[] = {0.004, 0.006}, depth[] = {0.001, 0.0025};
    for (std::size_t p = 0; p < 2; ++p) {
        partSpec.ports[p].terminationClass = 20;
        partSpec.ports[p].cptOffset = cpt[p];
        partSpec.ports[p].depth = depth[p];
    }
    partSpec.ports[1].length = 0.03;
    const double L = partSpec.inputs.at("FacetoFace");

    for (bool utility : {true, false}) {
        SCOPED_TRACE(utility ? "with the graphics utility" : "without the graphics utility");
        auto options = refhost::RefRuntime::defaultOptions();
        options.offerSymbolUtilities = utility;
        const auto result = refhost::evaluateAspect(partSpec, contract::Aspect::Physical, options);
        ASSERT_TRUE(result.ok) << result.errorText;
        ASSERT_EQ(outputNames(result), c.names);
        expectAllValid(result);
        for (std::size_t p = 0; p < 2; ++p) {
            const auto& nozzle = recorded(result, c.names.size() - 2 + p).creation();
            const double sign = p == 0 ? -1 : 1;
            EXPECT_EQ(recordedNumber(nozzle, "port"), p + 1);
            EXPECT_NEAR(recordedTriple(nozzle, "position")[0], sign * (L / 2 + cpt[p] - depth[p]), kTight);
            EXPECT_EQ(recordedTriple(nozzle, "direction"), (std::vector<double>{sign, 0, 0}));
            const double length = p == 1 ? 0.03 : c.nozzle1FaceToFace ? L : kFlangeThk;
            EXPECT_NEAR(recordedNumber(nozzle, "length"), length, kTight);
            EXPECT_EQ(recordedText(nozzle, "via"), utility && !c.direct ? "utility" : "factory");
            const auto* flag = nozzle.find("flag");
            EXPECT_EQ(flag && std::get<bool>(*flag), c.direct);
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
        SCOPED_TRACE(c.names[i] + " " + std::to_string(i));
        expectBoxNear(measured(reference, i).bbox, measured(changed, i).bbox, kTight);
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

TEST(InlineBodyFailure, FailsAtTheFaultKeepingWhatItAdded) {
    struct Case {
        const char* label;
        std::int32_t partDataBasis;
        std::map<std::string, double> inputs;
        std::optional<double> port1PipeOD, port1FlangeOD;
        Names kept;
    };
    const Case cases[] = {{"flats wider than the flange", 2256, {{"Height", 0.3}}, {}, {}, {"Body"}},
                          {"web wider than the pipe", 2256, {}, 0.05, 0.3, {"Body"}},
                          {"bulb of no length", 2271, {{"FacetoFace", 0}}, {}, {}, {}},
                          {"domed bulb of no length", 2268, {{"FacetoFace", 0}}, {}, {}, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto partSpec = inlinePart(c.partDataBasis);
        for (const auto& [name, value] : c.inputs) partSpec.inputs[name] = value;
        partSpec.ports[0].pipeOD = c.port1PipeOD.value_or(kPipeOD);
        partSpec.ports[0].flangeOD = c.port1FlangeOD.value_or(kFlangeOD);
        const auto result = physical(partSpec);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.errorCode, host::kGenericFailure);
        EXPECT_EQ(outputNames(result), c.kept);
    }
}

// The discs are cut across flats taken from the height, the flange or the female end; the web stands
// on the bore.
TEST(FlatSidedWafer, CutsItsDiscsAcrossFlatsAndStandsTheWebOnTheBore) {
    struct Case {
        const char* label;
        double height;
        std::int32_t endType;
        double flangeOD, flangeThk;
        double acrossFlats, discDiameter, discThickness;
    };
    const Case cases[] = {
        {"flats from the flange", 0, 5, 0.3, kFlangeThk, 0.27, 0.3, kFlangeThk},
        {"flats from the height", 0.25, 5, 0.3, kFlangeThk, 0.25, 0.3, kFlangeThk},
        {"female end without flange", 0, 15, 0, 0, 1.05 * kPipeOD, 1.1 * kPipeOD, 0.15 * kWaferLength},
        {"female end with flange", 0, 15, kFlangeOD, kFlangeThk, 0.9 * kFlangeOD, kFlangeOD, kFlangeThk},
        {"flange without thickness", 0, 5, kFlangeOD, 0, 0.9 * kFlangeOD, kFlangeOD, 0.15 * kWaferLength}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
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
        for (std::size_t d = 0; d < 2; ++d) {
            const auto m = measured(result, 2 + d);
            const double x0 = d == 0 ? -L / 2 : L / 2 - t;
            expectBoxNear(m.bbox, {x0, -h, -R, x0 + t, h, R}, kMeasured);
            EXPECT_NEAR(*m.volume, t * (kPi * R * R - 2 * segment), 1e-4 * *m.volume);
        }
    }
}

TEST(FlatSidedWafer, TakesTheFemaleEndFromTheFirstListedPortAndDrawsNoDiscsWithoutIt) {
    auto partSpec = inlinePart(2256);
    partSpec.ports = {plainPort(2, kPipeOD), plainPort(1, kPipeOD)};
    partSpec.ports[0].endType = 15; // listed first, though it is port 2
    const auto female = physical(partSpec);
    ASSERT_TRUE(female.ok) << female.errorText;
    EXPECT_EQ(outputNames(female), withNozzles({"Body", "Web", "Port1", "Port2"}));

    partSpec.ports[0].endType = 10;
    const auto names = outputNames(physical(partSpec));
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
        EXPECT_NEAR(std::fmod(std::atan2(tip[2], tip[1]) * 180 / kPi + 360, 360), angles[k], 1e-9) << "lug " << k;
        EXPECT_NEAR(std::hypot(tip[1], tip[2]), 0.45 * Fd, kTight);
        EXPECT_NEAR(*measured(result, 1 + k).volume, L * lugArea, 1e-4 * L * lugArea) << "lug " << k;
    }
    const double w = 0.5 * Fd * std::sin(kPi / 12), r2 = std::sqrt(0.16 * Fd * Fd - w * w);
    expectBox(result, 9, {-L / 2, r2, -w}, {L / 2, 0.5 * Fd, w});
    expectBox(result, 10, {-L / 2, -r2, -w}, {L / 2, -0.5 * Fd, w});

    // Without a flange the body is 1.6 pipe diameters wide.
    auto flangeless = inlinePart(2258);
    flangeless.ports[0].flangeOD = 0;
    const auto fallback = physical(flangeless);
    ASSERT_TRUE(fallback.ok) << fallback.errorText;
    expectCylinder(fallback, 0, {-L / 2, 0, 0}, {L / 2, 0, 0}, 1.6 * kPipeOD);
}

// The plate (2269) and collar (2270) bodies draw only the plug and flush connections that have a diameter.
TEST(PlugAndFlush, DrawsOnlyTheConnectionsThatHaveADiameter) {
    struct Cyl {
        std::size_t index;
        std::array<double, 3> start, end;
        double diameter;
    };
    struct Case {
        std::int32_t partDataBasis;
        std::map<std::string, double> inputs;
        Names names;
        std::vector<Cyl> cylinders;
    };
    constexpr double H = 0.25, Lb = kSwingLength - kFlangeThk;
    const Cyl body2270{0, {-0.4 * Lb, -0.025 * H, 0}, {0.4 * Lb, -0.025 * H, 0}, 0.85 * H};
    const Cyl collar2270{1, {-0.4 * Lb, 0, 0}, {-0.3 * Lb, 0, 0}, H};
    const Cyl body2269{0, {-0.4 * Lb, 0, 0}, {0.4 * Lb, 0, 0}, 0.75 * H};
    const Cyl bowl2269{2, {0, 0.4 * H, 0}, {0, -0.45 * H, 0}, 0.6 * Lb};
    const auto flush = [&](std::size_t i, double x, double d) {
        return Cyl{i, {x, -0.45 * H, 0}, {x, -0.5 * H, 0}, d};
    };
    const auto plug = [&](std::size_t i, double x) { return Cyl{i, {x, 0.4 * H, 0}, {x, 0.5 * H, 0}, 0.03}; };
    const Case cases[] = {
        {2270, {{"PlugDiameter", 0}, {"FlushDiameter", 0}}, {"Body", "CheckValveBody_"}, {body2270, collar2270}},
        {2270,
         {},
         repeated({"Body", "CheckValveBody_"}, 3, "CheckValve_"),
         {body2270, collar2270, plug(2, 0.25 * Lb), flush(3, -0.2 * Lb, 0.02), flush(4, 0.2 * Lb, 0.02)}},
        {2269,
         {{"PlugDiameter", 0}, {"FlushDiameter1", 0}},
         repeated({"Body"}, 3, "CheckValve_"),
         {body2269, bowl2269, flush(3, 0.2 * Lb, 0.02)}},
        {2269,
         {{"FlushDiameter2", 0}, {"FlushDiameter1", 0.025}},
         repeated({"Body"}, 4, "CheckValve_"),
         {body2269, bowl2269, plug(3, 0), flush(4, -0.2 * Lb, 0.025)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.inputs));
        auto partSpec = inlinePart(c.partDataBasis);
        for (const auto& [name, value] : c.inputs) partSpec.inputs[name] = value;
        const auto result = physical(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        EXPECT_EQ(outputNames(result), withNozzles(c.names));
        for (const Cyl& cyl : c.cylinders) expectCylinder(result, cyl.index, cyl.start, cyl.end, cyl.diameter);
        if (c.partDataBasis == 2269)
            expectBox(result, 1, {-kSwingLength / 2, -0.1 * H, -H / 2}, {kSwingLength / 2, 0.1 * H, H / 2});
    }
}

// The bulb (2271) and domed bulb (2268) revolve a half ellipse over the crest between pipe runs. A
// crest at the pipe wall asks the host for an elliptical arc of ratio 0, which must come out as a flat
// profile (a plain cylinder over the bulb's length).
TEST(BulbBody, RevolvesAHalfEllipseOverTheCrestBetweenPipeRuns) {
    struct Case {
        const char* label;
        std::int32_t partDataBasis;
        const char* input;
        double value, crest;
        double pipeOD = kPipeOD;
    };
    const Case cases[] = {{"bulb", 2271, "Width", 0.2, 0.1},
                          {"domed bulb", 2268, "HeightFrmValCen", 0.15, 0.105},
                          {"flat bulb", 2271, "Width", kPipeOD, kPipeOD / 2},
                          // 0.7 x 0.125 is exactly half of 0.175 in binary too.
                          {"flat domed bulb", 2268, "HeightFrmValCen", 0.125, 0.0875, 0.175}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto partSpec = inlinePart(c.partDataBasis);
        partSpec.inputs[c.input] = c.value;
        partSpec.ports[0].pipeOD = c.pipeOD;
        const auto result = physical(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto m = measured(result, 0);
        ASSERT_TRUE(m.valid);
        const double L = kSwingLength, r = c.pipeOD / 2, a = 0.35 * L, b = c.crest - r;
        expectBoxNear(m.bbox, {-L / 2 + kFlangeThk, -c.crest, -c.crest, L / 2 - kFlangeThk, c.crest, c.crest},
                      kMeasured);
        const double runs = kPi * r * r * (L - 2 * kFlangeThk - 2 * a);
        const double bulge = kPi * (2 * a * r * r + kPi * a * r * b + 4 * a * b * b / 3);
        EXPECT_NEAR(*m.volume, runs + bulge, 1e-4 * (runs + bulge));
    }
}

TEST(DoubleConeBody, MeetsAtTheCentreAndFallsBackToHalfTheLengthForItsVerticalCylinder) {
    for (const auto& [diameter, expected] : {std::pair{0.0, 0.5 * kSwingLength}, std::pair{0.1, 0.1}}) {
        auto partSpec = inlinePart(2232);
        partSpec.inputs["Diameter"] = diameter;
        const auto result = physical(partSpec);
        ASSERT_TRUE(result.ok) << result.errorText;
        const auto& cone = recorded(result, 0).creation();
        EXPECT_EQ(recordedTriple(cone, "topCentre"), (std::vector<double>{0, 0, 0}));
        EXPECT_NEAR(recordedTriple(cone, "baseCentre")[0], -kSwingLength / 2 + kFlangeThk, kTight);
        EXPECT_NEAR(recordedNumber(cone, "baseRadius"), kPipeOD / 2, kTight);
        EXPECT_NEAR(recordedNumber(cone, "topRadius"), 0.1, kTight);
        expectCylinder(result, 2, {0, -0.1, 0}, {0, 0.2, 0}, expected);
    }
}

// The collared bore (2267) collars each end with its own flange, never narrower than the pipe.
TEST(CollaredBore, CollarsEachEndNeverNarrowerThanThePipe) {
    struct Case {
        const char* label;
        double flangeOD1, flangeThk1, flangeOD2, flangeThk2;
        double thickness, collar1, collar2;
    };
    const Case cases[] = {
        {"flanged", kFlangeOD, kFlangeThk, kFlangeOD, kFlangeThk, kFlangeThk, kFlangeOD, kFlangeOD},
        {"flangeless", 0, 0, 0, 0, 0.15 * kSwingLength, kPipeOD, kPipeOD},
        {"hubs narrower than the pipe", 0.1, kFlangeThk, 0.1, kFlangeThk, kFlangeThk, kPipeOD, kPipeOD},
        {"wider, thicker port 2 flange", kFlangeOD, kFlangeThk, 0.3, 0.04, kFlangeThk, kFlangeOD, 0.3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
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
}

// Every sample part of the catalogue builds valid shapes in both aspects.
TEST(WaferInlineConeCatalog, EverySamplePartBuildsValidSolidsInBothAspects) {
    for (const auto& part :
         catalog::loadCatalogFile(refhost::defaultDataDirectory() + "/catalog/wafer-inline-cone.json")) {
        for (const contract::Aspect aspect : contract::kAspects) {
            SCOPED_TRACE(part.name + " " + std::string(contract::aspectName(aspect)));
            const auto result = refhost::evaluateAspect(part, aspect);
            ASSERT_TRUE(result.ok) << result.errorText;
            EXPECT_FALSE(result.outputs->outputs().empty());
            expectAllValid(result);
        }
    }
}

} // namespace
} // namespace tcv::test::inline_bodies
