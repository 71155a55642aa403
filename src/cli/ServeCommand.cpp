// `checkvalve serve`: serves a gallery folder over HTTP on this machine so that a browser can open its
// viewer. Stops cleanly on Ctrl-C or a termination signal.
#include <atomic>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "StaticServer.h"

namespace tcv::cli {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set from a signal handler");

extern "C" void requestStop(int) { stopRequested.store(true); }

struct ServeOptions {
    std::string folder;
    std::string host = "127.0.0.1";
    int port = 8080;
};

int runServe(const ServeOptions& options) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path root = fs::canonical(options.folder, error);
    if (error || !fs::is_directory(root)) {
        std::cerr << "checkvalve serve: '" << options.folder << "' is not a folder\n";
        return kExitBadInput;
    }
    ServerOptions server;
    server.root = root;
    server.host = options.host;
    server.port = static_cast<std::uint16_t>(options.port);

    stopRequested.store(false);
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    struct sigaction previousInt {
    }, previousTerm{};
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
    int result = kExitOk;
    try {
        serveStatic(server, stopRequested, [&](const std::string& url) {
            std::cout << "Serving " << options.folder << " at " << url << std::endl;
        });
        std::cout << "Stopped." << std::endl;
    } catch (const ServerError& e) {
        std::cerr << "checkvalve serve: " << e.what() << "\n";
        result = kExitBadInput;
    }
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
    return result;
}

} // namespace

void addServeCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ServeOptions>();
    auto* command = app.add_subcommand("serve", "Serve a gallery folder to a browser (on this machine by default)");
    command->add_option("OUTDIR", options->folder, "The folder to serve (a gallery)")->required();
    command->add_option("--port", options->port, "TCP port; 0 picks a free one")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    command->add_option("--host", options->host, "Address to listen on")->capture_default_str();
    command->callback([&exitCode, options] { exitCode = runServe(*options); });
}

} // namespace tcv::cli
