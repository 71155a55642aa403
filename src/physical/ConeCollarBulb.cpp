// Cone, collar and bulb bodies.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB2232(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2232 is not built yet");
}

void CPhysical::runPDB2267(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2267 is not built yet");
}

void CPhysical::runPDB2268(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2268 is not built yet");
}

} // namespace tcv
