#include "CommandHelp.h"

namespace tcv::cli {

namespace {

// One code and its meaning, the meanings aligned.
std::string codeLine(const std::string& code, const std::string& meaning) {
    std::string line = "  " + code;
    line.resize(9, ' ');
    return line + meaning + "\n";
}

// The lines "Exit codes:" and one per code.
std::string exitCodesText(const ExitCodes& codes) {
    std::string text = "Exit codes:\n";
    text += codeLine("0", codes.ok);
    if (!codes.failed.empty()) text += codeLine("1", codes.failed);
    text += codeLine("2", codes.badInput.empty() ? "bad command line" : "bad command line or input: " + codes.badInput);
    text += codeLine("128+N", "stopped by signal N: 129 SIGHUP, 130 SIGINT (Ctrl-C), 131 SIGQUIT, 143 SIGTERM");
    return text;
}

} // namespace

void addExitCodes(CLI::App& command, const ExitCodes& codes) {
    // CLI11 ends the footer with a newline of its own.
    const std::string text = command.get_footer();
    std::string footer = text.empty() ? "" : text + "\n\n";
    footer += exitCodesText(codes);
    footer.pop_back();
    command.footer(footer);
}

} // namespace tcv::cli
