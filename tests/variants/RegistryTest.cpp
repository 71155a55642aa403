// The variant registry as a host sees it: the served list names the default bodies and then every
// registered PartDataBasis once, ascending, every served value has graphics in both aspects and a sample
// part in the built-in catalogue (which the gallery renders and the configurator starts from). (A value
// registered twice would leave one family's graphics unreachable: the registry refuses that.)
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/TestSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/refhost/Evaluator.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv {
namespace {

TEST(VariantRegistry, ServedValuesAreTheDefaultBodiesThenEachVariantOnceAscending) {
    const auto served = symbol::servedPartDataBases();
    const std::vector<std::int32_t>& defaults = test::kDefaultBodies;
    ASSERT_GT(served.size(), defaults.size() + 30);
    EXPECT_TRUE(std::equal(defaults.begin(), defaults.end(), served.begin()));
    const std::vector<std::int32_t> variants(served.begin() + static_cast<std::ptrdiff_t>(defaults.size()),
                                             served.end());
    EXPECT_TRUE(std::is_sorted(variants.begin(), variants.end()));
    EXPECT_EQ(std::adjacent_find(variants.begin(), variants.end()), variants.end());
    for (std::int32_t value : variants)
        EXPECT_EQ(std::find(defaults.begin(), defaults.end(), value), defaults.end()) << value;
}

// On the record-only host, with a generic two-port part: a variant may refuse the part's dimensions,
// but never for want of graphics in an aspect.
TEST(VariantRegistry, EveryServedValueHasGraphicsInBothAspects) {
    test::HostFixtureScope host;
    for (std::int32_t value : symbol::servedPartDataBases()) {
        auto part = test::twoPortPart(value);
        part.inputs["FacetoFace"] = 0.3;
        for (const contract::Aspect aspect : contract::kAspects) {
            SCOPED_TRACE(std::string(contract::aspectName(aspect)) + " of PartDataBasis " + std::to_string(value));
            const auto result = refhost::evaluateAspect(part, aspect);
            EXPECT_EQ(result.reason().message.find("graphics"), std::string::npos) << result.reason().message;
        }
    }
}

// A value the symbol serves without a sample part would be missing from the gallery and from the
// configurator's variants, silently; a sample part of a value nobody serves would only fail.
TEST(VariantRegistry, EveryServedValueHasASamplePartAndEverySamplePartIsServed) {
    const auto served = symbol::servedPartDataBases();
    std::set<std::int32_t> sampled;
    for (const auto& part : catalog::loadSampleCatalog()) {
        sampled.insert(part.partDataBasis);
        EXPECT_NE(std::find(served.begin(), served.end(), part.partDataBasis), served.end())
            << part.name << ": PartDataBasis " << part.partDataBasis << " is not served";
    }
    for (std::int32_t value : served) EXPECT_TRUE(sampled.count(value)) << "no sample part for PartDataBasis " << value;
}

} // namespace
} // namespace tcv
