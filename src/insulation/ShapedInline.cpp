// Insulated shaped in-line bodies.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runInsPDB2200(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2200 is not built yet");
}

void CInsulation::runInsPDB2269(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2269 is not built yet");
}

void CInsulation::runInsPDB2270(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2270 is not built yet");
}

void CInsulation::runInsPDB2271(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2271 is not built yet");
}

} // namespace tcv
