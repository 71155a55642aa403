#include "base/basCCheckValve.h"

namespace tcv {

void ReportError(const char* /*classPrefix*/, const char* /*methodName*/) {
    throw host::HostError(host::kGenericFailure);
}

} // namespace tcv
