// `checkvalve serve`'s HTTP server on cpp-httplib: the files of one folder (a gallery with its viewer) and
// the JSON API under /api/. Every limit is set here rather than left to the library's defaults.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace tcv::cli {

struct ServerLimits {
    // Each open connection occupies one worker for as long as it stays open, so the pool is sized for
    // many slow or idle clients at once; a parked worker costs little more than its stack.
    std::size_t workers = 512;
    int readTimeoutSeconds = 5;   // for each part of a request to arrive
    int writeTimeoutSeconds = 10; // for each part of a response to be taken
    int keepAliveSeconds = 5;     // an idle kept-alive connection is closed after this
    std::size_t keepAliveRequests = 100;
    std::size_t payloadBytes = std::size_t{1} << 20; // request bodies (the API's parts); more is 413
    std::size_t fileBytes = std::size_t{256} << 20;  // the largest file served
    // Evaluations and exports running at once; further requests wait this long for a turn, then get 503.
    unsigned evaluations = 0; // 0: as many as the machine has cores
    std::chrono::milliseconds evaluationWait{1500};
    // How much longer each evaluation keeps its slot: zero, but in the tests that fill every slot.
    std::chrono::milliseconds evaluationHold{0};
    // The triangles of shapes exported lately, kept for the next export that has the same shapes (0: none).
    std::size_t meshCacheBytes = std::size_t{64} << 20;
};

struct ServerOptions {
    std::filesystem::path root; // the folder served; canonical
    std::string host = "127.0.0.1";
    int port = 8080; // 0 picks a free port
    ServerLimits limits;
};

// Raised when the server cannot start (address in use, unknown host, threads the system will not start, ...).
struct ServerError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Binds and listens, calls `onListening` with the URL (port resolved), then serves until `stop` turns
// true (looked at every 50 ms). Returns within about half a second of that: true when every connection
// was closed, false when some client was still in the middle of a request; the caller then ends the
// process without waiting for it.
bool runServer(const ServerOptions& options, const std::atomic<bool>& stop,
               const std::function<void(const std::string& url)>& onListening);

} // namespace tcv::cli
