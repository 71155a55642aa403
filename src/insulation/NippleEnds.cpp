// Insulation of check valves with nipple ends.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runCheckVWithNippleEnds(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runCheckVWithNippleEnds is not built yet");
}

} // namespace tcv
