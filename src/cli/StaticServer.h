// A small static HTTP/1.1 file server for a gallery folder: GET and HEAD of the files under one root,
// nothing outside it. A thread per connection, bounded request size, read and write timeouts.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace tcv::cli {

struct ServerOptions {
    std::filesystem::path root; // the folder served; canonical
    std::string host = "127.0.0.1";
    std::uint16_t port = 8080;   // 0 picks a free port
    int readTimeoutSeconds = 10; // for a request's bytes to arrive and for an idle kept-alive connection
    int maxConnections = 64;     // further connections are answered 503 until one closes
};

// Raised when the server cannot start (address in use, unknown host, ...).
struct ServerError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Binds and listens, calls `onListening` with the URL (port resolved), then serves until `stop` turns
// true (every waiting thread looks at it at least every 200 ms). Closes every socket and joins every
// connection before it returns.
void serveStatic(const ServerOptions& options, const std::atomic<bool>& stop,
                 const std::function<void(const std::string& url)>& onListening);

// --- The pieces of a request, exposed for their own checks ---

// The Content-Type sent for a file, by its extension (case-insensitive).
std::string contentTypeFor(const std::filesystem::path& file);

// Outcome of mapping a request target to a file under the root.
struct Resolved {
    int status = 200;           // 200, 301 (directory without trailing slash), 400, 403, 404
    std::filesystem::path file; // the file to send when status is 200
    std::string location;       // the redirect target when status is 301
};

// Maps an origin-form target ("/a/b.json?x=1") to a regular file under `root` (canonical). Percent-
// decodes, refuses ".." segments, backslashes and NUL, serves index.html for a directory and refuses any
// path whose real location (symbolic links resolved) lies outside the root.
Resolved resolveTarget(const std::filesystem::path& root, const std::string& target);

} // namespace tcv::cli
