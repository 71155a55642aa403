// `checkvalve serve`'s HTTP server on Boost.Beast: the files of one folder (a gallery with its viewer) and
// the JSON API under /api/. Connections are served asynchronously by two I/O threads, so an open
// connection costs memory but no thread; evaluations and exports run on threads of their own. Every limit
// is set here rather than left to the library's defaults, and enforced while the request is read.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::cli {

struct ServerLimits {
    std::size_t connections = 10000;          // open at once, in total (at most what the process may open)
    std::size_t connectionsPerAddress = 4096; // open at once from one client address
    int idleSeconds = 5;                      // a connection with no request under way is closed after this
    int headSeconds = 10;  // for the whole request head (request line and headers), from its first byte
    int bodySeconds = 30;  // for the whole request body
    int writeSeconds = 10; // for a response to be taken, plus a second per MiB of it
    std::size_t keepAliveRequests = 100;
    std::size_t headerBytes = 32 * 1024;             // the request line and headers; more is 431
    std::size_t headerCount = 100;                   // header lines; more is 431
    std::size_t targetBytes = 8 * 1024;              // the request target; longer is 414
    std::size_t payloadBytes = std::size_t{1} << 20; // request bodies (the API's parts); more is 413
    std::size_t fileBytes = std::size_t{256} << 20;  // the largest file served
    // Evaluations and exports running at once; further requests wait this long for a turn, then get 503.
    unsigned evaluations = 0; // 0: as many as the machine has cores
    std::chrono::milliseconds evaluationWait{1500};
    // How much longer each evaluation keeps its slot: zero, but in the tests that fill every slot.
    std::chrono::milliseconds evaluationHold{0};
    // The triangles of shapes exported lately, kept for the next export that has the same shapes (0: none).
    std::size_t meshCacheBytes = std::size_t{64} << 20;
    // The budget of each evaluation or export: it ends with a reason once it takes longer or its meshes
    // would hold more triangles; and as soon as its client goes away.
    refhost::WorkLimits work{std::chrono::seconds(10), refhost::kDefaultTriangleLimit};
};

struct ServerOptions {
    std::filesystem::path root; // the folder served; canonical
    std::string host = "127.0.0.1";
    int port = 8080; // 0 picks a free port
    ServerLimits limits;
};

// Raised when the server cannot start (address in use, unknown host, ...).
struct ServerError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Binds and listens, calls `onListening` with the URL (port resolved), then serves until `stop` turns
// true (looked at every 50 ms). On stop, every evaluation under way is told it is cancelled and given
// half a second to finish. Returns true when all work ended and everything was shut down, false when
// some evaluation was still running; the caller then ends the process without waiting for it.
bool runServer(const ServerOptions& options, const std::atomic<bool>& stop,
               const std::function<void(const std::string& url)>& onListening);

} // namespace tcv::cli
