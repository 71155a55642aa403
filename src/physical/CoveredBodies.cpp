// Bore bodies with flanged revolved covers.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB5_10(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB5_10 is not built yet");
}

void CPhysical::runPDB13(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB13 is not built yet");
}

} // namespace tcv
