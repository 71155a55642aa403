// Check valves with nipple ends.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB2856orPDB2857(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2856orPDB2857 is not built yet");
}

void CPhysical::runPDB2858orPDB2859(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2858orPDB2859 is not built yet");
}

void CPhysical::runPDB2860orPDB2861(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2860orPDB2861 is not built yet");
}

} // namespace tcv
