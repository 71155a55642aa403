// Files of a serialised export format (STEP) made by a process of their own. The STEP translator keeps
// process-wide state, so a process writes one STEP file at a time; a server that wrote them in its own
// process would hold every other STEP export up behind a slow one. Each such export of the server runs
// `checkvalve eval PART --<format> FILE` in a child process instead, which the server ends as soon as the
// request's budget says so.
#pragma once

#include <string>

#include "tarncheckvalve/exports/Formats.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::cli {

// The file in `format` of the one part `partJson` holds (catalogue JSON), written by a child process of
// this program under the budget's limits. Raises exports::ExportError with the child's reason when it
// makes no file, and refhost::WorkStopped when the budget ends the work first (the child is then killed).
std::string renderInChild(const exports::ExportFormat& format, const std::string& partJson,
                          const refhost::WorkBudget& budget);

} // namespace tcv::cli
