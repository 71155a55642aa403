// Placeholder until nozzles land.
#include "ports/Nozzles.h"

namespace tcv {

host::NozzlePtr CreateNozzle(std::int16_t&, const host::ObjectPtr&, const host::OutputCollectionPtr&,
                             const host::DVector&, const host::DPosition&) {
    throw host::HostError(host::kGenericFailure, "nozzles not available yet");
}
host::NozzlePtr CreateNozzleWithLength(std::int16_t&, const host::ObjectPtr&, const host::OutputCollectionPtr&,
                                       const host::DVector&, const host::DPosition&, double) {
    throw host::HostError(host::kGenericFailure, "nozzles not available yet");
}
host::NozzlePtr CreateNozzleDirect(std::int16_t&, const host::ObjectPtr&, const host::OutputCollectionPtr&,
                                   const host::DVector&, const host::DPosition&) {
    throw host::HostError(host::kGenericFailure, "nozzles not available yet");
}

} // namespace tcv
