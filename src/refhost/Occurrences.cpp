// Placeholder until operator occurrences land.
#include "refhost/Runtime.h"

namespace tcv::refhost {

host::ChildOccurrenceServicePtr makeChildOccurrenceService(const HostOptions&) {
    throw host::HostError(host::kGenericFailure, "child occurrences not available yet");
}
host::ArgumentPtr makeArgument() { throw host::HostError(host::kGenericFailure, "arguments not available yet"); }

} // namespace tcv::refhost
