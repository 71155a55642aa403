// Shaped in-line bodies.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB2200(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2200 is not built yet");
}

void CPhysical::runPDB2269(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2269 is not built yet");
}

void CPhysical::runPDB2270(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2270 is not built yet");
}

void CPhysical::runPDB2271(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2271 is not built yet");
}

} // namespace tcv
