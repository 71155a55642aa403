// Insulated cone, collar and bulb bodies.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runInsPDB2232(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2232 is not built yet");
}

void CInsulation::runInsPDB2267(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2267 is not built yet");
}

void CInsulation::runInsPDB2268(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2268 is not built yet");
}

} // namespace tcv
