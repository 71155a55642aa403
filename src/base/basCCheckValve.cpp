#include "tarncheckvalve/base/basCCheckValve.h"

#include "tarncheckvalve/host/Diagnostics.h"

namespace tcv::base {

void ReportError(const char* /*classPrefix*/, const char* methodName) {
    // The host sees only the generic failure code; the reason goes on the evaluation's trail.
    std::string where = methodName;
    if (!where.empty() && where.back() == ':') where.pop_back();
    host::noteTrappedFailure(where);
    host::raiseInPlace(host::HostError(host::kGenericFailure));
}

} // namespace tcv::base
