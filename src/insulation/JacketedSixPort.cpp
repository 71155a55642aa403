// The insulated jacketed six-port body.
#include "insulation/CInsulation.h"

namespace tcv {

void CInsulation::runInsPDB2381(const host::Variant&, const host::VariantArray&, const host::StringArray&) {
    throw host::HostError(host::kGenericFailure, "runInsPDB2381 is not built yet");
}

} // namespace tcv
