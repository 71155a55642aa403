// The subcommands of `checkvalve`, one source file each. Each returns the process exit code.
#pragma once

#include <CLI/CLI.hpp>

namespace tcv::cli {

void addDefinitionCommand(CLI::App& app, int& exitCode);

} // namespace tcv::cli
