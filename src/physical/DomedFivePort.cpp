// The five-port domed body.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB3183(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB3183 is not built yet");
}

} // namespace tcv
