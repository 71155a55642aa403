// `checkvalve serve`: serves a gallery folder and the configurator's API over HTTP on this machine so that a
// browser can open the viewer. Stops cleanly on Ctrl-C or a termination signal.
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "HttpServer.h"
#include "ServeScratch.h"
#include "ViewerDirectory.h"
#include "tarncheckvalve/exports/Formats.h"

namespace tcv::cli {

namespace {

namespace fs = std::filesystem;

std::atomic<bool> stopRequested{false};
std::atomic<int> stopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the stop flag and signal are set from a signal handler");

extern "C" void requestStop(int signal) {
    int none = 0;
    stopSignal.compare_exchange_strong(none, signal);
    stopRequested.store(true);
}

struct ServeOptions {
    std::string folder;
    std::string host = "127.0.0.1";
    int port = 8080;
    ServerLimits limits;
    int holdMilliseconds = 0;
};

// Without a gallery folder the viewer alone is served (an empty gallery and the configurator) from a
// folder of its own that goes when the server stops.
class ViewerOnlyFolder {
public:
    ViewerOnlyFolder() {
        std::string pattern = (fs::temp_directory_path() / "checkvalve-serve-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return;
        path_ = pattern;
        writeViewer(path_.string());
        std::ofstream(path_ / "index.json") << "{\"parts\": []}\n";
    }
    ~ViewerOnlyFolder() { remove(); }
    ViewerOnlyFolder(const ViewerOnlyFolder&) = delete;
    ViewerOnlyFolder& operator=(const ViewerOnlyFolder&) = delete;
    void remove() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Ctrl-C, a termination signal, a hang-up (the terminal closed) and SIGQUIT ask the server to stop, from
// the moment the command starts (making the viewer's folder and reading the samples take a while), so that
// it always ends cleanly and removes its scratch folder; the previous handlers come back when it ends.
class StopSignals {
public:
    StopSignals() {
        stopRequested.store(false);
        stopSignal.store(0);
        struct sigaction action {};
        action.sa_handler = requestStop;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &action, &previous_[i]);
    }
    ~StopSignals() {
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr std::array<int, 4> kSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    std::array<struct sigaction, kSignals.size()> previous_{};
};

// A server stopped by a signal exits with 128 + the signal, as a shell reports a process it ended.
int stoppedExit() {
    const int signal = stopSignal.load();
    return signal == 0 ? kExitOk : 128 + signal;
}

int runServe(const ServeOptions& options) {
    const StopSignals signals;
    std::unique_ptr<ServeScratch> scratch;
    try {
        scratch = std::make_unique<ServeScratch>();
    } catch (const std::runtime_error& error) {
        std::cerr << "checkvalve serve: " << error.what() << "\n";
        return kExitFailed;
    }
    if (scratch->staleRemoved() > 0)
        std::cerr << "checkvalve serve: removed " << scratch->staleRemoved()
                  << " temporary folder(s) left by servers that did not stop cleanly\n";
    std::unique_ptr<ViewerOnlyFolder> viewerOnly;
    std::string folder = options.folder;
    if (folder.empty()) {
        viewerOnly = std::make_unique<ViewerOnlyFolder>();
        if (viewerOnly->path().empty()) {
            std::cerr << "checkvalve serve: cannot make a folder for the viewer\n";
            return kExitFailed;
        }
        folder = viewerOnly->path().string();
    }
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error || !fs::is_directory(root)) {
        std::cerr << "checkvalve serve: '" << folder << "' is not a folder\n";
        return kExitBadInput;
    }
    ServerOptions server;
    server.root = root;
    server.host = options.host;
    server.port = options.port;
    server.limits = options.limits;
    server.limits.evaluationHold = std::chrono::milliseconds(options.holdMilliseconds);

    int result = kExitOk;
    try {
        const bool drained = runServer(server, stopRequested, [&](const std::string& url) {
            std::cout << "Serving " << folder << " at " << url << std::endl;
        });
        std::cout << "Stopped." << std::endl;
        if (!drained) {
            // An evaluation is still running; it is not waited for, and its files go with the folder.
            scratch->remove();
            std::_Exit(stoppedExit());
        }
        result = stoppedExit();
    } catch (const ServerError& e) {
        std::cerr << "checkvalve serve: " << e.what() << "\n";
        result = kExitBadInput;
    } catch (const std::exception& e) {
        std::cerr << "checkvalve serve: " << e.what() << "\n";
        result = kExitFailed;
    }
    return result;
}

} // namespace

void addServeCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ServeOptions>();
    auto* command = app.add_subcommand(
        "serve",
        "Serve a gallery folder, the viewer's configurator and its JSON API to a browser (on this machine by default)");
    command->add_option("DIR", options->folder, "The folder to serve (a gallery); without it, the viewer alone");
    command->add_option("--port", options->port, "TCP port; 0 picks a free one")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    command->add_option("--host", options->host, "Address to listen on (0.0.0.0 opens it to the network)")
        ->capture_default_str();
    command
        ->add_option("--connections", options->limits.connections,
                     "Connections open at once, in total (at most what the process may open; more are answered "
                     "503 and closed)")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 20))
        ->capture_default_str();
    command
        ->add_option("--connections-per-address", options->limits.connectionsPerAddress,
                     "Connections open at once from one client address")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 20))
        ->capture_default_str();
    command
        ->add_option("--evaluations", options->limits.evaluations,
                     "Evaluations and exports run at once (0: as many as the machine has cores); a request "
                     "finding none free waits 1.5 s, then gets 503 with Retry-After")
        ->check(CLI::Range(0, 1024))
        ->capture_default_str();
    command
        ->add_option_function<std::size_t>(
            "--mesh-cache", [options](std::size_t megabytes) { options->limits.meshCacheBytes = megabytes << 20; },
            "Megabytes of triangles kept from recent exports, so that a part sent again with a change meshes "
            "only the shapes the change touched (0: none) [64]")
        ->check(CLI::Range(0, 65536));
    // For the tests that fill every evaluation slot: each evaluation keeps its slot this much longer.
    command
        ->add_option_function<double>(
            "--time-limit", [options](double seconds) { options->limits.work.time = refhost::timeLimitOf(seconds); },
            "Seconds each evaluation or export may take before it ends with a reason (0: no limit) [10]")
        ->check(CLI::Range(0.0, 86400.0));
    command
        ->add_option("--triangle-limit", options->limits.work.triangles,
                     "Triangles an export's meshes may hold; a part needing more is meshed coarser or refused (0: no "
                     "limit)")
        ->check(CLI::Range(std::size_t{0}, std::size_t{1} << 40))
        ->capture_default_str();
    command->add_option("--test-hold-slot-ms", options->holdMilliseconds)->check(CLI::Range(0, 60000))->group("");
    std::string formats;
    for (const auto& format : exports::exportFormats())
        formats += (formats.empty() ? "" : "|") + std::string(format.name);
    command->footer("The API: GET /api/definition, /api/samples, /api/variants; POST /api/evaluate, "
                    "/api/export?format=" +
                    formats +
                    " and /api/build (report and GLB of one evaluation) "
                    "with one part as catalogue JSON.\n\nExamples:\n"
                    "  checkvalve serve gallery/\n  checkvalve serve --port 0");
    addExitCodes(*command, {"not used: the server runs until a stop signal ends it",
                            "the server's temporary folder could not be made, or the server failed while running",
                            "DIR is not a folder, or the address cannot be listened on (unknown host, port in use)"});
    command->callback([&exitCode, options] { exitCode = runServe(*options); });
}

} // namespace tcv::cli
