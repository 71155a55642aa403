// Insulated wafer and lug bodies.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runInsPDB2255(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2255 is not built yet");
}

void CInsulation::runInsPDB2256(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2256 is not built yet");
}

void CInsulation::runInsPDB2258(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2258 is not built yet");
}

} // namespace tcv
