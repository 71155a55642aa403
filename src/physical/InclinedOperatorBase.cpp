// Check valves with an inclined operator base, a mounting flange and an equalizer.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB2198(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2198 is not built yet");
}

void CPhysical::runPDB2144(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2144 is not built yet");
}

void CPhysical::runPDB2142(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2142 is not built yet");
}

} // namespace tcv
