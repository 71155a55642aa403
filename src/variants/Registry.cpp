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

// The families, each defined at the end of its file (FamilyName.cpp: kFamilyNameFamily), one line each;
// the values each serves are in its file alone.
extern const std::span<const Variant> kInclinedOperatorBaseFamily, kSkinnedBodyFamily, kShapedInlineFamily,
    kConeCollarBulbFamily, kWaferLugFamily, kJacketedSixPortFamily, kNippleEndsFamily, kBonnetedBodiesFamily,
    kFourPortJacketedFamily, kDomedFivePortFamily, kCoveredBodiesFamily, kAngledBranchFamily;

namespace {

const std::span<const Variant>* const kFamilies[] = {
    &kInclinedOperatorBaseFamily, &kSkinnedBodyFamily,    &kShapedInlineFamily,
    &kConeCollarBulbFamily,       &kWaferLugFamily,       &kJacketedSixPortFamily,
    &kNippleEndsFamily,           &kBonnetedBodiesFamily, &kFourPortJacketedFamily,
    &kDomedFivePortFamily,        &kCoveredBodiesFamily,  &kAngledBranchFamily,
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
