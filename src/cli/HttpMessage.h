// The requests and responses the server's handlers see: plain values of their own, so that the API and the
// static files know nothing of the HTTP library underneath. Also the route that ties a method and path to
// a handler.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tcv::cli {

// An open file descriptor, closed when the owner goes.
class FileHandle {
public:
    explicit FileHandle(int fd = -1) : fd_(fd) {}
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }
    // Gives the descriptor up to a new owner.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

using Headers = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method;                                     // "GET", "HEAD", "POST", ...
    std::string target;                                     // as sent: path and query
    std::string path;                                       // percent-decoded, without the query
    std::vector<std::pair<std::string, std::string>> query; // decoded names and values, in order
    Headers headers;                                        // as sent, in order
    std::string body;
    // When the request was read in full; waits for an evaluation slot count from here.
    std::chrono::steady_clock::time_point received = std::chrono::steady_clock::now();
    // Turns true as soon as the server sees that the client went away (its connection closed or reset
    // while the answer was being worked out) or the server is stopping: work on the request may end early,
    // nobody reads its answer. Never null.
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);

    // The first header of that name (case-insensitive), or "".
    std::string header(std::string_view name) const;
    // The first query parameter of that name, or "".
    std::string param(std::string_view name) const;
};

// A piece of an answer's body taken from its file: `head` first (a multipart section's own headers, say),
// then `length` bytes of the file from `offset`.
struct FileSpan {
    std::string head;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

struct HttpResponse {
    int status = 200;
    Headers headers; // besides Content-Type and Content-Length, which the server sets
    std::string contentType;
    std::string body;
    // With an open `file`, the body is its `spans` in turn, then `body`: the file is read in small pieces
    // as the client takes them, so that no answer holds a file (or a range of it) in memory.
    FileHandle file;
    std::vector<FileSpan> spans;

    void setHeader(std::string name, std::string value);
    void setContent(std::string text, std::string type);
    // The bytes the body holds.
    std::uint64_t contentLength() const;
};

// One entry of a route table (RouteTable.h): a method and an exact path, or with `prefix` every path that
// starts with it. Work that may take long (an evaluation, an export) is marked so: it runs on the
// evaluation threads, and its request's `cancelled` flag is watched.
struct Route {
    std::string method;
    std::string path;
    bool longRunning = false;
    std::function<void(const HttpRequest&, HttpResponse&)> handle;
    bool prefix = false;
};

// "%41b+c" as "Ab c" (`plusIsSpace` in queries); an escape that is not two hex digits stays as it is.
std::string percentDecoded(std::string_view text, bool plusIsSpace);

// The decoded name=value pairs of a query string ("a=1&b=x%20y").
std::vector<std::pair<std::string, std::string>> parseQuery(std::string_view query);

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool isValidUtf8(std::string_view text);

std::string lowerCase(std::string text);

} // namespace tcv::cli
