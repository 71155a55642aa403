// Check valves with a skinned main body and a vertical operator.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB2157and2199(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2157and2199 is not built yet");
}

void CPhysical::runPDB2143(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2143 is not built yet");
}

} // namespace tcv
