#include "StaticServer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tcv::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxRequestLine = 8192;  // longer request lines are answered 414
constexpr std::size_t kMaxTarget = 4096;       // longer targets are answered 414
constexpr std::size_t kMaxHeaderBlock = 16384; // request line and headers together; beyond: 431
constexpr int kPollMilliseconds = 200;         // how often a waiting thread looks at the stop flag

// A socket or file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes %XX escapes; false for a malformed escape.
bool percentDecode(const std::string& in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size()) return false;
        const int high = hexValue(in[i + 1]);
        const int low = hexValue(in[i + 2]);
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// True when `path` is `root` or lies below it; both canonical.
bool within(const fs::path& root, const fs::path& path) {
    auto r = root.begin();
    auto p = path.begin();
    for (; r != root.end(); ++r, ++p)
        if (p == path.end() || *r != *p) return false;
    return true;
}

bool isTokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

const char* reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

// Sends all bytes; false when the peer went away, the send timed out or the server stops.
bool sendAll(int fd, const char* data, std::size_t size, const std::atomic<bool>& stop) {
    while (size > 0) {
        if (stop.load()) return false;
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

struct Request {
    std::string method;
    std::string target;
    bool keepAlive = true;
    bool hasBody = false;
};

// Either a parsed request or the status to answer with.
struct Parsed {
    std::optional<Request> request;
    int status = 400;
};

Parsed parseRequest(const std::string& block) {
    const auto lineEnd = block.find("\r\n");
    const std::string line = block.substr(0, lineEnd);
    for (char c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return {{}, 400};
    const auto firstSpace = line.find(' ');
    const auto secondSpace = firstSpace == std::string::npos ? std::string::npos : line.find(' ', firstSpace + 1);
    if (secondSpace == std::string::npos || line.find(' ', secondSpace + 1) != std::string::npos) return {{}, 400};
    Request request;
    request.method = line.substr(0, firstSpace);
    request.target = line.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    const std::string version = line.substr(secondSpace + 1);
    if (request.method.empty() || !std::all_of(request.method.begin(), request.method.end(), isTokenChar))
        return {{}, 400};
    if (version.size() != 8 || version.compare(0, 5, "HTTP/") != 0 || !std::isdigit(version[5]) || version[6] != '.' ||
        !std::isdigit(version[7]))
        return {{}, 400};
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return {{}, 505};
    if (request.target.empty()) return {{}, 400};
    if (request.target.size() > kMaxTarget) return {{}, 414};
    // An absolute-form target names this server: keep its path.
    for (const char* scheme : {"http://", "https://"}) {
        if (lower(request.target.substr(0, std::strlen(scheme))) != scheme) continue;
        const auto slash = request.target.find('/', std::strlen(scheme));
        request.target = slash == std::string::npos ? "/" : request.target.substr(slash);
    }
    if (request.target.front() != '/') return {{}, 400};
    if (request.method != "GET" && request.method != "HEAD") return {{}, 405};

    request.keepAlive = version == "HTTP/1.1";
    std::size_t pos = lineEnd + 2;
    while (pos < block.size()) {
        const auto end = block.find("\r\n", pos);
        const std::string header = block.substr(pos, end - pos);
        pos = end == std::string::npos ? block.size() : end + 2;
        if (header.empty()) break;
        const auto colon = header.find(':');
        if (colon == 0 || colon == std::string::npos ||
            !std::all_of(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(colon), isTokenChar))
            return {{}, 400};
        const std::string name = lower(header.substr(0, colon));
        const std::string value = lower(trim(header.substr(colon + 1)));
        if (name == "connection") {
            if (value.find("close") != std::string::npos) request.keepAlive = false;
            if (value.find("keep-alive") != std::string::npos) request.keepAlive = true;
        } else if (name == "transfer-encoding" || (name == "content-length" && value != "0")) {
            request.hasBody = true;
        }
    }
    return {request, 200};
}

enum class ReadOutcome { Complete, Closed, TimedOut, LineTooLong, HeadersTooLarge };

// Reads until the end of a request's header block is in `buffer`; `blockEnd` gets its length.
ReadOutcome readHeaderBlock(int fd, std::string& buffer, std::size_t& blockEnd, int timeoutSeconds,
                            const std::atomic<bool>& stop) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    std::array<char, 4096> chunk{};
    for (;;) {
        const auto end = buffer.find("\r\n\r\n");
        if (end != std::string::npos) {
            blockEnd = end + 4;
            return ReadOutcome::Complete;
        }
        const auto firstLineEnd = buffer.find("\r\n");
        if (firstLineEnd == std::string::npos ? buffer.size() > kMaxRequestLine : firstLineEnd > kMaxRequestLine)
            return ReadOutcome::LineTooLong;
        if (buffer.size() > kMaxHeaderBlock) return ReadOutcome::HeadersTooLarge;
        if (stop.load() || std::chrono::steady_clock::now() >= deadline) return ReadOutcome::TimedOut;
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, kPollMilliseconds);
        if (ready < 0 && errno != EINTR) return ReadOutcome::Closed;
        if (ready <= 0) continue;
        const ssize_t got = ::recv(fd, chunk.data(), chunk.size(), 0);
        if (got == 0) return ReadOutcome::Closed;
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return ReadOutcome::Closed;
        }
        buffer.append(chunk.data(), static_cast<std::size_t>(got));
    }
}

std::string responseHead(int status, const std::string& contentType, std::uintmax_t length, bool keepAlive,
                         const std::string& extra = {}) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) + "\r\n";
    head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + std::to_string(length) + "\r\n";
    head += "Cache-Control: no-cache\r\nX-Content-Type-Options: nosniff\r\n";
    head += extra;
    head += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    return head;
}

bool sendStatus(int fd, int status, bool keepAlive, bool withBody, const std::atomic<bool>& stop,
                const std::string& extra = {}) {
    const std::string body = std::to_string(status) + " " + reasonPhrase(status) + "\n";
    std::string response = responseHead(status, "text/plain; charset=utf-8", body.size(), keepAlive, extra);
    if (withBody) response += body;
    return sendAll(fd, response.data(), response.size(), stop);
}

bool sendFile(int fd, const fs::path& file, bool keepAlive, bool withBody, const std::atomic<bool>& stop) {
    Descriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (in.get() < 0 || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return sendStatus(fd, 404, keepAlive, withBody, stop);
    const auto length = static_cast<std::uintmax_t>(info.st_size);
    const std::string head = responseHead(200, contentTypeFor(file), length, keepAlive);
    if (!sendAll(fd, head.data(), head.size(), stop)) return false;
    if (!withBody) return true;
    std::vector<char> chunk(65536);
    std::uintmax_t left = length;
    while (left > 0) {
        const ssize_t got = ::read(in.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false; // the file shrank: the length sent no longer holds, so drop the connection
        const auto size = static_cast<std::size_t>(got);
        if (!sendAll(fd, chunk.data(), size, stop)) return false;
        left -= std::min<std::uintmax_t>(left, size);
    }
    return true;
}

class Server {
public:
    Server(const ServerOptions& options, const std::atomic<bool>& stop) : options_(options), stop_(stop) {}

    // Serves one connection until it closes, times out or a response ends it.
    void serveConnection(int fd) {
        timeval sendTimeout{options_.readTimeoutSeconds, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
        std::string buffer;
        for (;;) {
            std::size_t blockEnd = 0;
            switch (readHeaderBlock(fd, buffer, blockEnd, options_.readTimeoutSeconds, stop_)) {
            case ReadOutcome::Complete:
                break;
            case ReadOutcome::Closed:
                return;
            case ReadOutcome::TimedOut:
                // A connection that began a request and stalled hears why; an idle one just closes.
                if (!buffer.empty()) sendStatus(fd, 408, false, true, stop_);
                return;
            case ReadOutcome::LineTooLong:
                sendStatus(fd, 414, false, true, stop_);
                return;
            case ReadOutcome::HeadersTooLarge:
                sendStatus(fd, 431, false, true, stop_);
                return;
            }
            const Parsed parsed = parseRequest(buffer.substr(0, blockEnd));
            buffer.erase(0, blockEnd);
            if (!parsed.request) {
                sendStatus(fd, parsed.status, false, true, stop_,
                           parsed.status == 405 ? "Allow: GET, HEAD\r\n" : std::string());
                return;
            }
            const Request& request = *parsed.request;
            // A body on a GET is not read: close after answering so that it is not taken for a request.
            const bool keepAlive = request.keepAlive && !request.hasBody;
            const bool withBody = request.method == "GET";
            const Resolved resolved = resolveTarget(options_.root, request.target);
            bool ok = false;
            if (resolved.status == 200)
                ok = sendFile(fd, resolved.file, keepAlive, withBody, stop_);
            else
                ok = sendStatus(fd, resolved.status, keepAlive && resolved.status != 400, withBody, stop_,
                                resolved.status == 301 ? "Location: " + resolved.location + "\r\n" : std::string());
            if (!ok || !keepAlive || resolved.status == 400) return;
        }
    }

    void run(int listenFd) {
        while (!stop_.load()) {
            reapFinished();
            pollfd watched{listenFd, POLLIN, 0};
            const int ready = ::poll(&watched, 1, kPollMilliseconds);
            if (ready < 0 && errno != EINTR) break;
            if (ready <= 0 || !(watched.revents & POLLIN)) continue;
            const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            if (static_cast<int>(workers_.size()) >= options_.maxConnections) {
                sendStatus(client, 503, false, true, stop_);
                ::close(client);
                continue;
            }
            auto done = std::make_shared<std::atomic<bool>>(false);
            workers_.push_back({std::thread([this, client, done] {
                                    serveConnection(client);
                                    ::shutdown(client, SHUT_RDWR);
                                    ::close(client);
                                    done->store(true);
                                }),
                                done});
        }
    }

    // Waits for every connection; they see the stop flag within one poll interval.
    void joinAll() {
        for (auto& worker : workers_) worker.thread.join();
        workers_.clear();
    }

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void reapFinished() {
        for (auto it = workers_.begin(); it != workers_.end();) {
            if (it->done->load()) {
                it->thread.join();
                it = workers_.erase(it);
            } else {
                ++it;
            }
        }
    }

    const ServerOptions& options_;
    const std::atomic<bool>& stop_;
    std::vector<Worker> workers_;
};

// Opens the listening socket; `boundPort` gets the port actually bound.
int openListener(const std::string& host, std::uint16_t port, std::uint16_t& boundPort) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0)
        throw ServerError("cannot resolve host '" + host + "': " + ::gai_strerror(rc));
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
    std::string lastError = "no address";
    for (const addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = std::strerror(errno);
            continue;
        }
        const int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 64) != 0) {
            lastError = std::strerror(errno);
            ::close(fd);
            continue;
        }
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
        boundPort = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                                      : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
        return fd;
    }
    throw ServerError("cannot listen on " + host + ":" + service + ": " + lastError);
}

} // namespace

std::string contentTypeFor(const fs::path& file) {
    static const std::array<std::pair<const char*, const char*>, 17> types{{
        {".html", "text/html; charset=utf-8"},
        {".htm", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".mjs", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json"},
        {".glb", "model/gltf-binary"},
        {".gltf", "model/gltf+json"},
        {".step", "model/step"},
        {".stp", "model/step"},
        {".stl", "model/stl"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".svg", "image/svg+xml"},
        {".txt", "text/plain; charset=utf-8"},
        {".ico", "image/x-icon"},
    }};
    const std::string extension = lower(file.extension().string());
    for (const auto& [ext, type] : types)
        if (extension == ext) return type;
    return "application/octet-stream";
}

Resolved resolveTarget(const fs::path& root, const std::string& target) {
    const std::string rawPath = target.substr(0, target.find_first_of("?#"));
    if (rawPath.empty() || rawPath.front() != '/') return {400, {}, {}};
    std::string path;
    if (!percentDecode(rawPath, path) || path.find('\0') != std::string::npos) return {400, {}, {}};
    if (path.find('\\') != std::string::npos) return {403, {}, {}};

    fs::path relative;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = std::min(path.find('/', start), path.size());
        const std::string segment = path.substr(start, end - start);
        if (segment == "..") return {403, {}, {}};
        if (!segment.empty() && segment != ".") relative /= segment;
        start = end + 1;
    }

    // The real location, symbolic links resolved, must stay under the root.
    auto locate = [&root](const fs::path& candidate, fs::path& real, fs::file_status& status) -> int {
        std::error_code error;
        real = fs::weakly_canonical(candidate, error);
        if (error) return 404;
        if (!within(root, real)) return 403;
        status = fs::status(real, error);
        if (error || !fs::exists(status)) return 404;
        return 200;
    };
    fs::path real;
    fs::file_status status;
    if (const int code = locate(root / relative, real, status); code != 200) return {code, {}, {}};
    if (fs::is_directory(status)) {
        if (rawPath.back() != '/') {
            const auto query = target.find('?');
            return {301, {}, rawPath + "/" + (query == std::string::npos ? "" : target.substr(query))};
        }
        if (const int code = locate(real / "index.html", real, status); code != 200) return {code, {}, {}};
    }
    if (!fs::is_regular_file(status)) return {404, {}, {}};
    return {200, real, {}};
}

void serveStatic(const ServerOptions& options, const std::atomic<bool>& stop,
                 const std::function<void(const std::string& url)>& onListening) {
    std::uint16_t boundPort = 0;
    Descriptor listener(openListener(options.host, options.port, boundPort));
    const bool ipv6 = options.host.find(':') != std::string::npos;
    onListening("http://" + (ipv6 ? "[" + options.host + "]" : options.host) + ":" + std::to_string(boundPort) + "/");
    Server server(options, stop);
    server.run(listener.get());
    ::shutdown(listener.get(), SHUT_RDWR);
    server.joinAll();
}

} // namespace tcv::cli
