// Placeholder until the kernel-backed geometry factory lands.
#include "refhost/Runtime.h"

namespace tcv::refhost {

host::GeometryFactoryPtr makeGeometryFactory(const HostOptions&) {
    throw host::HostError(host::kGenericFailure, "geometry factory not available yet");
}
host::SymbolFactoryPtr makeSymbolFactory(const HostOptions&) {
    throw host::HostError(host::kGenericFailure, "symbol factory not available yet");
}
host::CollectionPtr makeCollection() { throw host::HostError(host::kGenericFailure, "collections not available yet"); }

} // namespace tcv::refhost
