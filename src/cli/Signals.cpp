#include "Signals.h"

#include <csignal>
#include <iostream>

#include <unistd.h>

#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::cli {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void onStopSignal(int signal) {
    if (refhost::interruptSignal() == signal) ::_exit(128 + signal); // asked twice: no more waiting
    refhost::requestInterrupt(signal);
}

} // namespace

void installStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

int interruptedExit(const std::string& command) {
    const int signal = refhost::interruptSignal();
    if (signal == 0) return 0;
    std::cerr << "checkvalve " << command << ": " << refhost::interruptText(signal) << "; stopped\n";
    return 128 + signal;
}

} // namespace tcv::cli
