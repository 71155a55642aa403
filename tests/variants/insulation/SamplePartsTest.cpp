// Every family's sample parts through the insulation aspect: the outputs in order, every shape valid,
// and no valve operator placed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/MultiPortParts.h"
#include "support/OperatorBaseParts.h"
#include "support/TestSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv::test {
namespace {

using Names = std::vector<std::string>;

// The names with each run of a name that the expected names end in '*' (one or more outputs, such as
// the surfaces of a skinned body) shown once, with the '*'.
Names runsCollapsed(const Names& names, const Names& expected) {
    Names collapsed;
    for (const auto& name : names) {
        const bool run = std::find(expected.begin(), expected.end(), name + "*") != expected.end();
        if (!run)
            collapsed.push_back(name);
        else if (collapsed.empty() || collapsed.back() != name + "*")
            collapsed.push_back(name + "*");
    }
    return collapsed;
}

Names operator+(Names names, const Names& more) {
    names.insert(names.end(), more.begin(), more.end());
    return names;
}

// The first sample part of the PartDataBasis in the built-in catalogue.
refhost::CatalogPart samplePart(std::int32_t pdb) {
    static const std::vector<refhost::CatalogPart> parts = catalog::loadSampleCatalog();
    for (const auto& partSpec : parts)
        if (partSpec.partDataBasis == pdb) return partSpec;
    throw std::out_of_range("no sample part " + std::to_string(pdb));
}

struct Sample {
    std::int32_t pdb;
    Names names;
};

class SampleInsulation : public ::testing::TestWithParam<Sample> {};

TEST_P(SampleInsulation, AddsItsOutputsInOrderAllValidAndNoOperator) {
    HostFixtureScope host;
    const auto result = refhost::evaluateAspect(samplePart(GetParam().pdb), contract::Aspect::Insulation);
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(runsCollapsed(outputNames(result), GetParam().names), GetParam().names);
    multi_port::expectAllShapesValid(result);
    EXPECT_TRUE(operator_base::operators(result).empty());
}

const Names kInclined = {"InsulatedBody", "OperatorBaseIns", "MountingFlangeIns"};
const Names kSkinned = {"mainBodyIns", "InsulatedBody", "MountingFlangeIns", "EqualizerIns_*", "Port1Ins", "Port2Ins"};
const Names kEnds = {"Port1Ins", "Port2Ins"};
const Names kCovered = {"InsulatedBody", "InsOutput2", "InsPNoz1", "InsPNoz2"};
const Names kJacketed = {"InsulatedBody", "InsOutput2", "InsOutput3", "InsOutput4",
                         "InsOutput5",    "InsOutput6", "InsOutput7"};
const Names kNipple = {"InsulatedBody", "INSBody2", "INSBody3", "InsBody4"};
const Names kRings = {"InsVal_", "InsVal_"};

// The sample nipple-end valves have plain ends (no rings); the sample bonneted bodies have class 150
// flanges on both ends (two rings).
const Sample kSamples[] = {
    {2255, {"InsulatedBody", "webIns", "Port1Ins", "Port2Ins"}},
    {2256, {"InsulatedBody", "WebIns", "Port1Ins", "Port2Ins"}},
    {2258, {"InsulatedBody", "CheckValve_", "CheckValve_"}},
    {2200, Names{"InsulatedBody"} + Names(8, "CheckValve_")},
    {2269, Names{"InsulatedBody"} + Names(8, "CheckValve_")},
    {2270, Names{"InsulatedBody", "CheckValveBody_"} + Names(6, "CheckValve_")},
    {2271, Names{"InsulatedBody"} + kEnds},
    {2232, {"InsulatedBody", "MainBodyRighttConeIns", "VerticalCylinderIns", "Port1Ins", "Port2Ins"}},
    {2267, Names{"InsulatedBody"} + kEnds},
    {2268, {"InsulatedBody", "TopCylinder1Ins", "TopCylinder2Ins", "Port1Ins", "Port2Ins"}},
    {2198, kInclined + Names{"Equalizer_*"}},
    {2142, kInclined + Names{"EqualizerIns_*"} + kEnds},
    {2144, kInclined + Names{"Equalizer_*"} + kEnds},
    {2157, kSkinned},
    {2199, kSkinned},
    {2143, Names{"mainBodyIns_*"} + Names(kSkinned.begin() + 1, kSkinned.end())},
    {2381, {"InsulatedBody", "InsulatedBody1", "InsulatedBody2_*", "InsulatedBody3", "InsulatedBody4"}},
    {5, kCovered},
    {10, kCovered},
    {13, kCovered},
    {385, kCovered},
    {386, kCovered},
    {387, kCovered},
    {3124, kJacketed},
    {3125, kJacketed},
    {3146, kJacketed},
    {3183, {"InsOutput1", "InsOutput2", "InsOutput3", "InsulatedBody", "InsPNoz1", "InsPNoz2", "InsPNoz3", "InsPNoz4"}},
    {2856, kNipple},
    {2857, kNipple},
    {2858, kNipple},
    {2859, kNipple},
    {2860, kNipple + Names{"InsBody5"}},
    {2861, kNipple + Names{"InsBody5"}},
    {2459, Names{"InsulatedBody", "Body2", "InsValvBody"} + kRings},
    {2469, Names{"InsulatedBody", "Body2", "InsValvBody"} + kRings},
    {2470, Names{"InsulatedBody", "Body2", "InsBody3", "InsValvBody"} + kRings},
};

INSTANTIATE_TEST_SUITE_P(AllFamilies, SampleInsulation, ::testing::ValuesIn(kSamples),
                         [](const auto& param) { return std::to_string(param.param.pdb); });

// The table above names every value of the variant registry (the default bodies have tests of their own),
// so that a value added to a family cannot go without its insulation's outputs checked.
TEST(SampleInsulationTable, NamesEveryRegisteredValueOnce) {
    std::vector<std::int32_t> registered;
    for (std::int32_t value : symbol::servedPartDataBases())
        if (std::find(kDefaultBodies.begin(), kDefaultBodies.end(), value) == kDefaultBodies.end())
            registered.push_back(value);
    std::vector<std::int32_t> tabled;
    for (const Sample& sample : kSamples) tabled.push_back(sample.pdb);
    std::sort(registered.begin(), registered.end());
    std::sort(tabled.begin(), tabled.end());
    EXPECT_EQ(tabled, registered);
}

} // namespace
} // namespace tcv::test
