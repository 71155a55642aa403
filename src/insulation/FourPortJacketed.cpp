// Insulated four-port jacketed bodies.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runINSPDB3124(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runINSPDB3124 is not built yet");
}

void CInsulation::runINSPDB3125(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runINSPDB3125 is not built yet");
}

void CInsulation::runInsPDB3146(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB3146 is not built yet");
}

} // namespace tcv
