// The default insulated bodies that `run` builds itself.
#include "insulation/CInsulation.h"

namespace tcv {

bool CInsulation::buildDefaultBody(const RunState&, const host::OutputCollectionPtr&, const host::VariantArray&,
                                   const host::StringArray&) {
    return false;
}

} // namespace tcv
