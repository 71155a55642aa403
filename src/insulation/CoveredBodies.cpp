// Insulation of bore bodies with covers or branches.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runInsPDB5_10(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB5_10 is not built yet");
}

void CInsulation::runInsPDB13(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB13 is not built yet");
}

void CInsulation::runInsPDB385_386_387(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB385_386_387 is not built yet");
}

} // namespace tcv
