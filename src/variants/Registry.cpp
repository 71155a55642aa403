// The variant registry: every catalogue variant the symbol draws, family by family. No PartDataBasis is
// served twice (a test holds the registry to that), so the order of the families does not matter.
//
// A new PartDataBasis of a family: its builders and its `Variant` (values, Physical builder, Insulation
// builder) in the family's file, nothing here. A new family: its file in this folder and the layer's
// sources, its name on the declaration below and its line in the list.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "Variants.h"
#include "tarncheckvalve/variants/Aspects.h"

namespace tcv::variants {

// The families, each defined at the end of its file (FamilyName.cpp: kFamilyNameFamily), one line each.
extern const std::span<const Variant> kInclinedOperatorBaseFamily, kSkinnedBodyFamily, kShapedInlineFamily,
    kConeCollarBulbFamily, kWaferLugFamily, kJacketedSixPortFamily, kNippleEndsFamily, kBonnetedBodiesFamily,
    kFourPortJacketedFamily, kDomedFivePortFamily, kCoveredBodiesFamily, kAngledBranchFamily;

namespace {

const std::span<const Variant>* const kFamilies[] = {
    &kInclinedOperatorBaseFamily, // 2142, 2198, 2144
    &kSkinnedBodyFamily,          // 2157, 2199, 2143
    &kShapedInlineFamily,         // 2200, 2269, 2270, 2271
    &kConeCollarBulbFamily,       // 2232, 2267, 2268
    &kWaferLugFamily,             // 2255, 2256, 2258
    &kJacketedSixPortFamily,      // 2381
    &kNippleEndsFamily,           // 2856 to 2861
    &kBonnetedBodiesFamily,       // 2459, 2469, 2470
    &kFourPortJacketedFamily,     // 3124, 3125, 3146
    &kDomedFivePortFamily,        // 3183
    &kCoveredBodiesFamily,        // 5, 10, 13
    &kAngledBranchFamily,         // 385, 386, 387
};

// Every variant, family by family. A PartDataBasis registered twice, or also built by the driver as a
// default body, would leave one builder unreachable: that is a fault of this program, found at the first
// evaluation.
std::vector<const Variant*> listVariants() {
    std::vector<const Variant*> variants;
    std::vector<std::int32_t> values;
    for (const auto* family : kFamilies) {
        for (const Variant& variant : *family) {
            variants.push_back(&variant);
            values.insert(values.end(), variant.values.begin(), variant.values.end());
        }
    }
    std::sort(values.begin(), values.end());
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0 && values[i] == values[i - 1])
            throw std::logic_error("PartDataBasis " + std::to_string(values[i]) + " is registered twice");
        if (isDefaultBody(values[i]))
            throw std::logic_error("PartDataBasis " + std::to_string(values[i]) + " is a default body");
    }
    return variants;
}

} // namespace

std::span<const Variant* const> registry() {
    static const std::vector<const Variant*> variants = listVariants();
    return variants;
}

std::vector<std::int32_t> drawnPartDataBases() {
    std::vector<std::int32_t> registered;
    for (const Variant* variant : registry())
        registered.insert(registered.end(), variant->values.begin(), variant->values.end());
    std::sort(registered.begin(), registered.end());
    std::vector<std::int32_t> served(kDefaultBodyBases.begin(), kDefaultBodyBases.end());
    for (std::int32_t value : registered)
        if (std::find(served.begin(), served.end(), value) == served.end()) served.push_back(value);
    return served;
}

} // namespace tcv::variants
