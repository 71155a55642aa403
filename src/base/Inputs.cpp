#include "tarncheckvalve/base/Inputs.h"

namespace tcv::base {

host::PipingComponentPtr pipingComponent(const host::ObjectPtr& part) {
    auto component = host::queryInterface<host::IPipingComponent>(part);
    if (!component) throw host::HostError(host::kTypeMismatch, "the part has no piping-component interface");
    return component;
}

std::int32_t readPartDataBasis(const host::ObjectPtr& part) { return pipingComponent(part)->PartDataBasis(); }

} // namespace tcv::base
