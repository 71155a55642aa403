// The host context: the session settings a symbol may read by name.
#include "Factories.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::refhost {

namespace {

constexpr const char* kDataServerVariable = "OLE_SERVER";

// "OLE_SERVER" names the directory that holds xml/. The context answers for the host session
// installed on the calling thread, so that a context a symbol keeps between calls follows the session
// it is evaluated in; without a reference session it answers with the directory it was made with.
class RefContext : public host::IContext {
public:
    explicit RefContext(std::string dataDirectory) : dataDirectory_(std::move(dataDirectory)) {}

    host::Variant GetVariable(const std::string& name) const override {
        if (name != kDataServerVariable) return {};
        return currentDataDirectory();
    }

private:
    std::string currentDataDirectory() const {
        try {
            if (const auto* session = dynamic_cast<const RefRuntime*>(&host::runtime()))
                return session->options().dataDirectory;
        } catch (const host::HostError&) {
            // No session on this thread.
        }
        return dataDirectory_;
    }

    std::string dataDirectory_;
};

} // namespace

host::ContextPtr makeContext(const HostOptions& options) { return std::make_shared<RefContext>(options.dataDirectory); }

} // namespace tcv::refhost
