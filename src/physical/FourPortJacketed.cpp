// Four-port jacketed bodies.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB3124(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB3124 is not built yet");
}

void CPhysical::runPDB3125(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB3125 is not built yet");
}

void CPhysical::runPDB3146(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB3146 is not built yet");
}

} // namespace tcv
