#include "tarncheckvalve/host/Runtime.h"

namespace tcv::host {

namespace {
thread_local RuntimePtr currentRuntime;
}

void installRuntime(RuntimePtr runtime) { currentRuntime = std::move(runtime); }

IRuntime& runtime() {
    if (!currentRuntime) throw HostError(kGenericFailure, "no host runtime is installed on this thread");
    return *currentRuntime;
}

RuntimeScope::RuntimeScope(RuntimePtr runtime) : previous_(currentRuntime) { currentRuntime = std::move(runtime); }

RuntimeScope::~RuntimeScope() { currentRuntime = std::move(previous_); }

} // namespace tcv::host
