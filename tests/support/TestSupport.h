// Shared test helpers: a reference host installed for the test, and evaluation of a symbol aspect.
#pragma once

#include <memory>

#include "refhost/Runtime.h"

namespace tcv::test {

// Installs a reference-host runtime on the test's thread for the test's lifetime.
class HostFixtureScope {
public:
    explicit HostFixtureScope(refhost::HostOptions options = refhost::RefRuntime::defaultOptions())
        : runtime_(std::make_shared<refhost::RefRuntime>(std::move(options))), scope_(runtime_) {}
    refhost::RefRuntime& runtime() { return *runtime_; }

private:
    std::shared_ptr<refhost::RefRuntime> runtime_;
    host::RuntimeScope scope_;
};

} // namespace tcv::test
