// The library's one error-report convention: every operation with an error trap ends any failure in
// ReportError, which raises the generic failure code. The class prefix and method name name the place
// of the failure: they do not travel with the error, but the method name and the reason go on the
// evaluation's diagnostic trail (host/Diagnostics.h) when the host keeps one.
#pragma once

#include <utility>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::base {

[[noreturn]] TCV_EXPORT void ReportError(const char* classPrefix, const char* methodName);

// Runs `body` under an error trap: any exception leaves as the generic failure code.
template <class Body>
decltype(auto) withErrorReport(const char* classPrefix, const char* methodName, Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        ReportError(classPrefix, methodName);
    }
}

} // namespace tcv::base
