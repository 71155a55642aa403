// The program's own handling of the signals that ask it to stop (SIGINT, SIGTERM, SIGHUP, SIGQUIT):
// installed before the geometry kernel can take them, they end the work in progress through its budget,
// so that every staging file and scratch folder is removed on the way out.
#pragma once

#include <string>

namespace tcv::cli {

// Installs the handlers; call first thing in main. A first signal asks the work to stop; a second one
// of the same kind ends the process at once.
void installStopSignals();

// When a signal asked the program to stop: prints "checkvalve <command>: interrupted by SIGINT" and
// returns the exit code for it (128 + the signal, 130 for SIGINT); 0 when none did.
int interruptedExit(const std::string& command);

} // namespace tcv::cli
