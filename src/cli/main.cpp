// checkvalve: evaluates check-valve parts with the TarnCheckValve symbol on the reference host.
#include <exception>
#include <iostream>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "Signals.h"
#include "tarncheckvalve/host/Version.h"
#include "tarncheckvalve/kernel/Kernel.h"
#include "tarncheckvalve/kernel/ProcessMemory.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

int main(int argc, char** argv) {
    // Before anything can start the geometry kernel, which takes the signals left to their defaults.
    tcv::cli::installStopSignals();
    tcv::kernel::keepFreedMemoryForKernel();
    tcv::kernel::installOccKernel();
    CLI::App app{"checkvalve: parametric check-valve graphics on the reference host"};
    app.require_subcommand(1);
    app.set_version_flag("--version,-V", "checkvalve " TCV_VERSION_STRING, "Print the version and exit");
    int exitCode = 0;
    tcv::cli::addDefinitionCommand(app, exitCode);
    tcv::cli::addEvalCommand(app, exitCode);
    tcv::cli::addGalleryCommand(app, exitCode);
    tcv::cli::addSamplesCommand(app, exitCode);
    tcv::cli::addValidateCommand(app, exitCode);
    tcv::cli::addBenchCommand(app, exitCode);
    tcv::cli::addServeCommand(app, exitCode);
    tcv::cli::addConvertCommand(app, exitCode);
    tcv::cli::addDiffCommand(app, exitCode);
    tcv::cli::addPlaceCommand(app, exitCode);
    tcv::cli::addMeshShapeCommand(app, exitCode);
    tcv::cli::addCompletionCommand(app, exitCode);
    // After the commands, which would otherwise start with the program's footer as their own.
    app.footer("Run `checkvalve COMMAND --help` for a command's options and what its exit codes mean for it.");
    tcv::cli::addExitCodes(app, {"the command did its work",
                                 "some of its work failed: a part's evaluation, or a file it writes (the command's "
                                 "--help says which)",
                                 "a catalogue or another input it cannot read or accept, or a file it cannot write "
                                 "where it is asked to"});
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : 2;
    } catch (const std::exception& e) {
        std::cerr << "checkvalve: " << tcv::cli::printable(e.what()) << "\n";
        return 2;
    }
    // A command that finished its work before it noticed a stop signal still ends as the signal asks.
    if (const int signal = tcv::refhost::interruptSignal(); signal && exitCode < 128) return 128 + signal;
    return exitCode;
}
