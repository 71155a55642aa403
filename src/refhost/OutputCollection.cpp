#include "tarncheckvalve/refhost/OutputCollection.h"

#include "tarncheckvalve/host/Value.h"

namespace tcv::refhost {

void RefOutputCollection::AddOutput(const std::string& name, const host::ObjectPtr& object) {
    if (!object) throw host::HostError(host::kTypeMismatch, "output '" + name + "' has no object");
    outputs_.push_back({name, object});
}

std::vector<std::string> RefOutputCollection::names() const {
    std::vector<std::string> result;
    for (const auto& output : outputs_) result.push_back(output.name);
    return result;
}

} // namespace tcv::refhost
