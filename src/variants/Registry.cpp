// The variant registry: every catalogue variant the symbol draws, in the order the driver tests them.
//
// A new PartDataBasis: its builders and its `Variant` (values, Physical builder, Insulation builder) at
// the end of its family file, and its line here (its name on the family's declaration line and its entry
// in the list). A new family: one more file in this folder and in the layer's sources.
#include <algorithm>

#include "Variants.h"
#include "variants/Aspects.h"

namespace tcv::variants {

// Defined by the family files, one line a family.
extern const Variant kPDB2142, kPDB2198, kPDB2144;                   // InclinedOperatorBase.cpp
extern const Variant kPDB2157and2199, kPDB2143;                      // SkinnedBody.cpp
extern const Variant kPDB2200, kPDB2269, kPDB2270, kPDB2271;         // ShapedInline.cpp
extern const Variant kPDB2232, kPDB2267, kPDB2268;                   // ConeCollarBulb.cpp
extern const Variant kPDB2255, kPDB2256, kPDB2258;                   // WaferLug.cpp
extern const Variant kPDB2381;                                       // JacketedSixPort.cpp
extern const Variant kPDB2856or2857, kPDB2858or2859, kPDB2860or2861; // NippleEnds.cpp
extern const Variant kPDB2459, kPDB2469, kPDB2470;                   // BonnetedBodies.cpp
extern const Variant kPDB3124, kPDB3125, kPDB3146;                   // FourPortJacketed.cpp
extern const Variant kPDB3183;                                       // DomedFivePort.cpp
extern const Variant kPDB5and10, kPDB13;                             // CoveredBodies.cpp
extern const Variant kPDB385to387;                                   // AngledBranch.cpp

namespace {

const Variant* const kRegistry[] = {
    &kPDB2142,       &kPDB2198,     &kPDB2157and2199, &kPDB2200, &kPDB2232, &kPDB2255, &kPDB2256,       &kPDB2258,
    &kPDB2267,       &kPDB2268,     &kPDB2269,        &kPDB2270, &kPDB2271, &kPDB2381, &kPDB2856or2857, &kPDB2858or2859,
    &kPDB2860or2861, &kPDB2459,     &kPDB2469,        &kPDB2470, &kPDB3124, &kPDB3125, &kPDB3183,       &kPDB5and10,
    &kPDB13,         &kPDB385to387, &kPDB3146,        &kPDB2143, &kPDB2144,
};

} // namespace

std::span<const Variant* const> registry() { return kRegistry; }

} // namespace tcv::variants

namespace tcv {

std::vector<std::int32_t> servedPartDataBases() {
    std::vector<std::int32_t> registered;
    for (const variants::Variant* variant : variants::registry())
        registered.insert(registered.end(), variant->values.begin(), variant->values.end());
    std::sort(registered.begin(), registered.end());
    std::vector<std::int32_t> served(variants::kDefaultBodyBases.begin(), variants::kDefaultBodyBases.end());
    for (std::int32_t value : registered)
        if (std::find(served.begin(), served.end(), value) == served.end()) served.push_back(value);
    return served;
}

} // namespace tcv
