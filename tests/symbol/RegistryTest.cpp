// The variant registry: each PartDataBasis is drawn by one variant at most, none of them a default body
// the driver builds itself, and every registered variant draws both aspects. The driver takes the first
// variant that serves a value, so a value registered twice would silently lose one family's graphics.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "Variants.h"
#include "variants/Aspects.h"

namespace tcv {
namespace {

TEST(VariantRegistry, EachPartDataBasisHasOneVariantAndBothAspects) {
    std::map<std::int32_t, int> variantsOf;
    for (const variants::Variant* variant : variants::registry()) {
        EXPECT_NE(variant->physical, nullptr);
        EXPECT_NE(variant->insulation, nullptr);
        for (std::int32_t value : variant->values) {
            ++variantsOf[value];
            EXPECT_FALSE(variants::isDefaultBody(value)) << value << " is built by the driver itself";
        }
    }
    for (const auto& [value, count] : variantsOf) EXPECT_EQ(count, 1) << "PartDataBasis " << value;

    // The served list: the default bodies, then every registered value once, ascending.
    const auto served = servedPartDataBases();
    ASSERT_EQ(served.size(), variants::kDefaultBodyBases.size() + variantsOf.size());
    EXPECT_TRUE(std::equal(variants::kDefaultBodyBases.begin(), variants::kDefaultBodyBases.end(), served.begin()));
    auto value = variantsOf.begin();
    for (std::size_t i = variants::kDefaultBodyBases.size(); i < served.size(); ++i, ++value)
        EXPECT_EQ(served[i], value->first);
}

} // namespace
} // namespace tcv
