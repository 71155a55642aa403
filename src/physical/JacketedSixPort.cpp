// The jacketed six-port body.
#include "physical/CPhysical.h"

namespace tcv {

void CPhysical::runPDB2381(const host::Variant&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runPDB2381 is not built yet");
}

} // namespace tcv
