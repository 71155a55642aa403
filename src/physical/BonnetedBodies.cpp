// Port-sized bonneted bodies.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB2459(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2459 is not built yet");
}

void CPhysical::runPDB2469(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2469 is not built yet");
}

void CPhysical::runPDB2470(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2470 is not built yet");
}

} // namespace tcv
