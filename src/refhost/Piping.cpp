// Placeholder until parts, ports and nozzles land.
#include "refhost/Runtime.h"

namespace tcv::refhost {

host::NozzleFactoryPtr makeNozzleFactory(const HostOptions&) {
    throw host::HostError(host::kGenericFailure, "nozzle factory not available yet");
}
host::SymbolUtilitiesPtr makeSymbolUtilities(const HostOptions&) {
    throw host::HostError(host::kGenericFailure, "graphics utility not available yet");
}
host::ContextPtr makeContext(const HostOptions&) {
    throw host::HostError(host::kGenericFailure, "context not available yet");
}
host::UnitsServicePtr makeUnitsService() {
    throw host::HostError(host::kGenericFailure, "units service not available yet");
}

} // namespace tcv::refhost
