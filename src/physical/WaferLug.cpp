// Wafer and lug bodies.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB2255(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2255 is not built yet");
}

void CPhysical::runPDB2256(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2256 is not built yet");
}

void CPhysical::runPDB2258(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2258 is not built yet");
}

} // namespace tcv
