// Why an evaluation failed, as the host reads it from the diagnostic trail: the symbol still fails with
// exactly the generic failure code, and the trail names the routine and the reason in words. Also what the
// symbol read, and the warnings validate derives from it and from physical sense.
#include <algorithm>
#include <cctype>
#include <functional>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/catalog/Warnings.h"
#include "tarncheckvalve/host/Diagnostics.h"

namespace tcv::test {
namespace {

refhost::CatalogPart sample(const std::string& name) {
    for (const auto& part : catalog::loadSampleCatalog())
        if (part.name == name) return part;
    throw std::runtime_error("no sample " + name);
}

void withoutPortSizes(refhost::CatalogPart& part) {
    for (auto& port : part.ports) port.pipeOD = port.flangeOD = port.npd = 0;
}

struct FailureCase {
    const char* family;
    const char* part;
    std::function<void(refhost::CatalogPart&)> change;
    const char* aspect;
    const char* where;
    const char* message; // the start of the reason
};

class FailureReasons : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailureReasons, NameTheRoutineAndTheReasonBehindTheGenericCode) {
    const FailureCase& c = GetParam();
    refhost::CatalogPart part = sample(c.part);
    c.change(part);
    const refhost::AspectResult result = refhost::evaluateAspect(part, *contract::aspectNamed(c.aspect));
    ASSERT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, host::kGenericFailure); // the host still sees only the contract's code
    const auto reason = result.reason();
    EXPECT_EQ(reason.where, c.where);
    EXPECT_EQ(reason.message.rfind(c.message, 0), 0u) << reason.message;
    const auto error = catalog::errorJson(result);
    EXPECT_EQ(error["code"], "0x80004005");
    EXPECT_EQ(error["where"], c.where);
    EXPECT_EQ(error["message"], reason.message);
    EXPECT_NE(catalog::failureText(result).find(reason.message), std::string::npos);
}

auto set(const char* input, double value) {
    return [=](refhost::CatalogPart& p) { p.inputs[input] = value; };
}

INSTANTIATE_TEST_SUITE_P(
    OnePerFamily, FailureReasons,
    ::testing::Values(
        FailureCase{"wafer", "wafer-2256-nps4-cl150", set("Height", 0.3), "Physical", "runPDB2256",
                    "square root of a negative number"},
        FailureCase{"lug", "lug-2258-nps6-cl150", set("FacetoFace", 0), "Insulation", "PlaceCylinder",
                    "zero-length cylinder axis"},
        FailureCase{"default body", "default-0-nps2-plain-end", withoutPortSizes, "Physical", "PlaceCylinder",
                    "circle: the radius must be positive"},
        FailureCase{"revolved body", "default-455-nps4-cl150-offset", set("FacetoFace", 0), "Physical",
                    "PlaceRevolution", "revolution: the profile encloses no area"},
        FailureCase{"branch", "multi-port-385-nps4-cl150-branch", set("FacetoFace", 0), "Physical", "runPDB385_386_387",
                    "division by zero"},
        FailureCase{"covered", "multi-port-5-nps2-cl150-covered", set("FacetoFace", 0), "Physical", "PlaceProjection",
                    "projection: the profile crosses itself"},
        FailureCase{"nipple", "nipple-2856-nps1-sw", withoutPortSizes, "Physical", "PlaceCylinder",
                    "circle: the radius must be positive"},
        FailureCase{"bonnet", "bonnet-2459-nps4-cl150", set("FacetoFace", -0.05), "Physical", "runPDB2459",
                    "elliptical arc: the minor-to-major ratio must not be negative"},
        FailureCase{"operator base", "operator-base-2157-nps6-cl150", set("FacetoFace", 0), "Insulation",
                    "runInsPDB2157and2199", "skin: the first and last sections lie at one place"},
        FailureCase{"shaped in-line", "inline-2200-nps4-cl150", set("FacetoFace", 0), "Physical", "runPDB2200",
                    "skin: the skin encloses no volume"},
        FailureCase{"bulb", "bulb-2268-nps2-cl150", set("FacetoFace", 0), "Physical", "runPDB2268", "division by zero"},
        FailureCase{"cone", "cone-2232-nps4-cl150", withoutPortSizes, "Physical", "PlaceCone", "cone base radius of 0"},
        FailureCase{"unlisted", "wafer-2256-nps4-cl150", [](auto& p) { p.partDataBasis = 2000; }, "Physical", "run",
                    "PartDataBasis 2000 has no physical graphics"},
        FailureCase{"unlisted", "wafer-2256-nps4-cl150", [](auto& p) { p.partDataBasis = 2000; }, "Insulation", "run",
                    "PartDataBasis 2000 has no insulation graphics"}),
    [](const auto& test) {
        std::string name = std::string(test.param.family) + "_" + test.param.aspect;
        std::replace_if(
            name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
        return name + "_" + std::to_string(test.index);
    });

TEST(FailureTrail, FollowsTheFailureOutwardsFromTheRoutineThatFoundIt) {
    refhost::CatalogPart part = sample("lug-2258-nps6-cl150");
    part.inputs["FacetoFace"] = 0;
    const auto result = refhost::evaluateAspect(part, contract::Aspect::Physical);
    ASSERT_GE(result.trail.size(), 3u);
    EXPECT_EQ(result.trail.front().where, "PlaceCylinder");
    EXPECT_EQ(result.trail.front().message, "zero-length cylinder axis");
    // The outer traps only pass it on: the builder, the aspect's run, the symbol's entry point.
    const auto passedOn = [&](const std::string& where) {
        return std::any_of(result.trail.begin() + 1, result.trail.end(),
                           [&](const auto& step) { return step.where == where && step.message.empty(); });
    };
    EXPECT_TRUE(passedOn("runPDB2258"));
    EXPECT_TRUE(passedOn("run"));
    const auto error = catalog::errorJson(result);
    ASSERT_TRUE(error.contains("trail"));
    EXPECT_EQ(error["trail"].size(), result.trail.size());
    // The values the symbol had read when it failed, by input and port field.
    EXPECT_EQ(error["values"]["FacetoFace"], 0.0);
    EXPECT_EQ(error["values"]["port1.flangeOD"], part.ports[0].flangeOD);
}

TEST(FailureTrail, RecoveredFailuresAreNotesAndANewFailureHasItsOwnReason) {
    host::EvaluationTrail trail;
    host::TrailScope scope(trail);
    auto fail = [](const std::string& text) { throw host::HostError(host::kGenericFailure, text); };
    try {
        try {
            fail("the lookup found no table");
        } catch (...) {
            host::noteTrappedFailure("inner");
            host::raiseInPlace(host::HostError(host::kGenericFailure));
        }
    } catch (...) {
        host::noteRecoveredFailure("lookup");
    }
    try {
        try {
            fail("zero-length cylinder axis");
        } catch (...) {
            host::noteTrappedFailure("PlaceCylinder");
            host::raiseInPlace(host::HostError(host::kGenericFailure));
        }
    } catch (...) {
        host::noteTrappedFailure("runPDB1");
    }
    const auto& steps = trail.steps();
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_TRUE(steps[0].recovered && steps[1].recovered);
    EXPECT_EQ(steps[0].message, "the lookup found no table");
    EXPECT_EQ(steps[2].message, "zero-length cylinder axis");
    EXPECT_FALSE(steps[2].recovered);
    EXPECT_EQ(steps[3].where, "runPDB1");
    EXPECT_TRUE(steps[3].message.empty()); // the same failure, passed on

    refhost::AspectResult result;
    result.trail = steps;
    EXPECT_EQ(result.reason().message, "zero-length cylinder axis");
    EXPECT_EQ(result.reason().where, "PlaceCylinder");
}

TEST(FailureTrail, HostFailuresBeforeTheSymbolKeepTheHostsText) {
    refhost::CatalogPart part = sample("wafer-2256-nps4-cl150");
    part.ports.resize(40000, part.ports.front()); // more ports than the host can count
    const auto result = refhost::evaluateAspect(part, contract::Aspect::Physical);
    ASSERT_FALSE(result.ok);
    EXPECT_TRUE(result.trail.empty());
    EXPECT_EQ(result.reason().message, result.errorText);
    EXPECT_FALSE(result.reason().message.empty());
}

TEST(ReadValues, AreTheSymbolsReadsNotTheHostsOwn) {
    const auto result = refhost::evaluateAspect(sample("wafer-2256-nps4-cl150"), contract::Aspect::Physical);
    ASSERT_TRUE(result.ok);
    std::vector<std::string> names;
    for (const auto& [name, value] : result.reads) names.push_back(name);
    for (const char* read : {"FacetoFace", "Height", "port1.pipeOD", "port1.flangeOD"})
        EXPECT_NE(std::find(names.begin(), names.end(), read), names.end()) << read;
    // Making a nozzle, the host reads every field of the port itself; those reads are not the symbol's.
    EXPECT_EQ(std::find(names.begin(), names.end(), "port1.length"), names.end());
    EXPECT_EQ(std::count(names.begin(), names.end(), "Height"), 1); // each once
}

bool hasWarning(const std::vector<std::string>& warnings, const std::string& text) {
    return std::any_of(warnings.begin(), warnings.end(),
                       [&](const auto& w) { return w.find(text) != std::string::npos; });
}

TEST(Warnings, SamplePartsHaveRealisticData) {
    for (const auto& part : catalog::loadSampleCatalog())
        EXPECT_TRUE(catalog::physicalWarnings(part, refhost::defaultDataDirectory()).empty()) << part.name;
}

TEST(Warnings, PhysicalSense) {
    refhost::CatalogPart part = sample("wafer-2256-nps4-cl150");
    part.inputs["FacetoFace"] = 0;
    part.ports[0].flangeOD = part.ports[0].pipeOD;
    part.ports[1].pipeOD *= 1.15; // NPS 4 is 114.3 mm
    const auto warnings = catalog::physicalWarnings(part, refhost::defaultDataDirectory());
    EXPECT_TRUE(hasWarning(warnings, "input FacetoFace is 0 m: a face-to-face must be above zero"));
    EXPECT_TRUE(hasWarning(warnings, "port 1 is flanged but its flange OD"));
    EXPECT_TRUE(hasWarning(warnings, "port 2 pipe OD 0.131445 m is more than 10% off 0.1143 m"));
    EXPECT_FALSE(hasWarning(warnings, "port 2 is flanged"));
    EXPECT_FALSE(hasWarning(warnings, "port 1 pipe OD"));
}

TEST(Warnings, FromWhatTheVariantRead) {
    const auto options = refhost::RefRuntime::defaultOptions();
    // Width is no input of the wafer variant: a wrong PartDataBasis is the likely cause.
    refhost::CatalogPart wafer = sample("wafer-2256-nps4-cl150");
    wafer.inputs["Width"] = 0.1;
    auto warnings = catalog::readWarnings(catalog::evaluatePart(wafer, {"Physical", "Insulation"}, options), options);
    EXPECT_TRUE(hasWarning(warnings, "input Width is given but PartDataBasis 2256 never reads it"));
    // Every variant reads the handwheel angle; left out, its default changes nothing here: no warning.
    EXPECT_FALSE(hasWarning(warnings, "HandwheelAngle"));

    // Without Height the flat-sided wafer is sized from 0.
    wafer = sample("wafer-2256-nps4-cl150");
    wafer.inputs.erase("Height");
    warnings = catalog::readWarnings(catalog::evaluatePart(wafer, {"Physical", "Insulation"}, options), options);
    EXPECT_TRUE(
        hasWarning(warnings, "input Height is read by PartDataBasis 2256 but the part does not give it (0 was used)"));
}

// A failure whose values break a relation the variant needs says what to change, in the catalogue's names
// and metres: in the text report, the JSON error and the one-line failure; a failure of another cause
// adds nothing.
TEST(FailureHints, NameTheValuesToChange) {
    struct Case {
        const char* part;
        std::function<void(refhost::CatalogPart&)> change;
        const char* hint; // "" for none
    };
    const auto wideFlange = [](refhost::CatalogPart& p) {
        p.inputs["Height"] = 0.05;
        p.ports[0].flangeOD = 0.3;
        p.ports[0].pipeOD = 0.1;
    };
    const Case cases[] = {
        {"wafer-2256-nps4-cl150", set("Height", 0.3),
         "Height 0.3 m is not less than the flange outside diameter 0.2286 m (port1.flangeOD)"},
        {"wafer-2256-nps4-cl150", wideFlange,
         "the web, 0.4 x the width of the flats (0.118322 m), is wider than the pipe outside diameter 0.1 m"},
        {"bonnet-2459-nps4-cl150", set("FacetoFace", -0.05), "sizes below zero: FacetoFace -0.05 m"},
        {"lug-2258-nps6-cl150", set("FacetoFace", 0), "FacetoFace is 0 (or not given)"},
        {"default-0-nps2-plain-end", withoutPortSizes, "port1.pipeOD, port2.pipeOD are 0 (or not given)"},
        {"wafer-2256-nps4-cl150", [](auto& p) { p.partDataBasis = 2000; }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.part);
        refhost::CatalogPart part = sample(c.part);
        c.change(part);
        const auto report = catalog::evaluatePart(part, {"Physical"});
        ASSERT_FALSE(report.ok());
        const auto& aspect = report.aspects.front();
        EXPECT_EQ(aspect.hint.rfind(c.hint, 0), 0u) << aspect.hint;
        if (*c.hint == '\0') {
            EXPECT_FALSE(catalog::errorJson(aspect).contains("hint"));
            continue;
        }
        EXPECT_EQ(catalog::errorJson(aspect)["hint"], aspect.hint);
        EXPECT_NE(catalog::failureText(aspect).find("; what to change: " + aspect.hint), std::string::npos);
        std::ostringstream table;
        catalog::printReportTable(table, report);
        EXPECT_NE(table.str().find("    what to change: " + aspect.hint + "\n"), std::string::npos);
    }
}

} // namespace
} // namespace tcv::test
