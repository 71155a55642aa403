// Insulation of the check valves with a skinned main body.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runInsPDB2157and2199(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2157and2199 is not built yet");
}

void CInsulation::runInsPDB2143(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2143 is not built yet");
}

} // namespace tcv
