// Insulation of port-sized bonneted bodies.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runINSPDB2459(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runINSPDB2459 is not built yet");
}

void CInsulation::runINSPDB2469(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runINSPDB2469 is not built yet");
}

void CInsulation::runINSPDB2470(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runINSPDB2470 is not built yet");
}

} // namespace tcv
