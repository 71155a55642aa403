#include "tarncheckvalve/refhost/Refusal.h"

#include "tarncheckvalve/host/Value.h"

namespace tcv::refhost {

void refuse(const std::string& what, const std::string& why) {
    throw host::HostError(host::kGenericFailure, what + ": " + why);
}

} // namespace tcv::refhost
