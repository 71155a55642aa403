// Insulation of the check valves with an inclined operator base.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runInsPDB2198(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2198 is not built yet");
}

void CInsulation::runInsPDB2142(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2142 is not built yet");
}

void CInsulation::runInsPDB2144(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2144 is not built yet");
}

} // namespace tcv
