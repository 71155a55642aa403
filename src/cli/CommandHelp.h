// The end of every command's --help: what its exit codes mean, in the same words for every command.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace tcv::cli {

// What exit codes 0, 1 and 2 mean for one command. 128 + a stop signal means the same for every command
// and is always listed.
struct ExitCodes {
    std::string ok;       // exit 0
    std::string failed;   // exit 1; empty for a command that never exits 1
    std::string badInput; // exit 2, beyond a bad command line: which input it refuses; may be empty
};

// Ends the footer of `command`'s --help (whatever was set before, if anything) with its exit codes.
void addExitCodes(CLI::App& command, const ExitCodes& codes);

} // namespace tcv::cli
