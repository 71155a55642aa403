// The reference host's output collection: the named outputs of one evaluated aspect, in the order the
// symbol added them, and the resource manager that owns their geometry.
#pragma once

#include <string>
#include <vector>

#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::refhost {

class TCV_EXPORT RefResourceManager : public host::IResourceManager {};

struct NamedOutput {
    std::string name;
    host::ObjectPtr object;
};

class TCV_EXPORT RefOutputCollection : public host::IOutputCollection {
public:
    RefOutputCollection() : resourceManager_(std::make_shared<RefResourceManager>()) {}

    // Adds the object under the name; a missing object is refused.
    void AddOutput(const std::string& name, const host::ObjectPtr& object) override;
    host::ResourceManagerPtr ResourceManager() const override { return resourceManager_; }

    const std::vector<NamedOutput>& outputs() const { return outputs_; }
    std::vector<std::string> names() const;

private:
    std::shared_ptr<RefResourceManager> resourceManager_;
    std::vector<NamedOutput> outputs_;
};

} // namespace tcv::refhost
