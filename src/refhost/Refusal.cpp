#include "refhost/Refusal.h"

#include "host/Value.h"

namespace tcv::refhost {

void refuse(const std::string& what, const std::string& why) {
    throw host::HostError(host::kGenericFailure, what + ": " + why);
}

} // namespace tcv::refhost
