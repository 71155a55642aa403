// The insulated five-port domed body.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runINSPDB3183(const host::OutputCollectionPtr&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runINSPDB3183 is not built yet");
}

} // namespace tcv
