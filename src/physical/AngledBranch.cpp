// Check valves with an angled branch.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB385_386_387(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB385_386_387 is not built yet");
}

} // namespace tcv
