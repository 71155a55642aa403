// The server: cpp-httplib with every limit set, the Host header checked before any route, the API and the
// static files behind it.
#include "HttpServer.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <future>
#include <memory>
#include <set>
#include <system_error>
#include <thread>

#include <httplib.h>

#include "Api.h"
#include "StaticFiles.h"
#include "WorkerPool.h"

namespace tcv::cli {

namespace {

// Request headers beyond these are refused with 431 (the library itself bounds each line to 8 KiB).
constexpr std::size_t kMaxHeaderCount = 100;
constexpr std::size_t kMaxHeaderBytes = 32 * 1024;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isIpLiteral(const std::string& text) {
    unsigned char buffer[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, text.c_str(), buffer) == 1 || ::inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

bool isLoopbackLiteral(const std::string& text) {
    in_addr v4{};
    if (::inet_pton(AF_INET, text.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return ::inet_pton(AF_INET6, text.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

// The names a request may give in its Host header. A page of another site that has its own name resolve
// to this address (DNS rebinding) sends that name, so only the bound address, this machine's names and the
// hosts file's loopback names pass; a server opened to every address also accepts any address literal.
class HostCheck {
public:
    explicit HostCheck(const std::string& boundHost) {
        const std::string bound = lower(boundHost);
        wildcard_ = bound == "0.0.0.0" || bound == "::" || bound == "*";
        names_.insert(bound);
        if (wildcard_ || bound == "localhost" || isLoopbackLiteral(bound)) {
            names_.insert({"localhost", "127.0.0.1", "::1"});
            // The hosts file's names for loopback addresses ("localhost.localdomain", "ip6-localhost", ...).
            ::sethostent(0);
            while (const hostent* entry = ::gethostent()) {
                bool loopback = false;
                for (char** address = entry->h_addr_list; *address; ++address) {
                    char text[INET6_ADDRSTRLEN] = {};
                    if (::inet_ntop(entry->h_addrtype, *address, text, sizeof text) && isLoopbackLiteral(text))
                        loopback = true;
                }
                if (!loopback) continue;
                names_.insert(lower(entry->h_name));
                for (char** alias = entry->h_aliases; *alias; ++alias) names_.insert(lower(*alias));
            }
            ::endhostent();
        }
        if (wildcard_) {
            char name[256] = {};
            if (::gethostname(name, sizeof name - 1) == 0) names_.insert(lower(name));
        }
    }

    // The host of a Host header value ("name:port", "[::1]:port"), lower case, without a trailing dot.
    static std::string hostOf(const std::string& header) {
        std::string host = header;
        if (!host.empty() && host.front() == '[') {
            const auto end = host.find(']');
            host = end == std::string::npos ? host : host.substr(1, end - 1);
        } else if (std::count(host.begin(), host.end(), ':') == 1) {
            host = host.substr(0, host.find(':'));
        }
        if (!host.empty() && host.back() == '.') host.pop_back();
        return lower(host);
    }

    bool allows(const std::string& header) const {
        const std::string host = hostOf(header);
        return names_.count(host) > 0 || (wildcard_ && isIpLiteral(host));
    }

private:
    bool wildcard_ = false;
    std::set<std::string> names_;
};

void plainText(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain; charset=utf-8");
}

} // namespace

bool runServer(const ServerOptions& options, const std::atomic<bool>& stop,
               const std::function<void(const std::string& url)>& onListening) {
    const ServerLimits& limits = options.limits;
    const unsigned evaluations =
        limits.evaluations ? limits.evaluations : std::max(1u, std::thread::hardware_concurrency());

    // Kept on the heap: when the process ends with a client still mid-request, its worker may still use them.
    struct Running {
        Running(const ServerOptions& options, unsigned evaluations)
            : files(options.root, options.limits.fileBytes),
              api(evaluations, options.limits.evaluationWait, options.limits.evaluationHold,
                  options.limits.meshCacheBytes),
              hostCheck(options.host), pool(std::make_unique<WorkerPool>(options.limits.workers)) {}
        StaticFiles files;
        Api api;
        HostCheck hostCheck;
        httplib::Server server;
        // Every worker is started here, before the server listens; the server takes the pool over.
        std::unique_ptr<WorkerPool> pool;
    };
    std::unique_ptr<Running> running;
    try {
        running = std::make_unique<Running>(options, evaluations);
    } catch (const WorkerStartError& error) {
        throw ServerError(error.what());
    } catch (const std::system_error& error) {
        throw ServerError(std::string("cannot start a thread: ") + error.what());
    }
    auto& server = running->server;
    auto& files = running->files;
    auto& api = running->api;
    auto& hostCheck = running->hostCheck;
    server.new_task_queue = [&pool = running->pool] { return pool.release(); };
    server.set_read_timeout(limits.readTimeoutSeconds, 0);
    server.set_write_timeout(limits.writeTimeoutSeconds, 0);
    server.set_keep_alive_timeout(limits.keepAliveSeconds);
    server.set_keep_alive_max_count(limits.keepAliveRequests);
    server.set_payload_max_length(limits.payloadBytes);
    server.set_tcp_nodelay(true);
    // Address reuse for a quick restart, but not port sharing: a second server on the same port must fail
    // rather than take half of the connections.
    server.set_socket_options([](socket_t socket) {
        int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    server.set_pre_routing_handler([&](const httplib::Request& request, httplib::Response& response) {
        std::size_t headerBytes = 0;
        for (const auto& [name, value] : request.headers) headerBytes += name.size() + value.size() + 4;
        if (request.headers.size() > kMaxHeaderCount || headerBytes > kMaxHeaderBytes) {
            plainText(response, 431, "request headers too large");
            return httplib::Server::HandlerResponse::Handled;
        }
        // The library answers "br" in Accept-Encoding with brotli at its highest quality, which takes
        // seconds for the viewer's 650 kB of three.js; gzip, which it falls back to, takes milliseconds.
        // The request object is the library's own non-const one, handed to this hook as const.
        auto& headers = const_cast<httplib::Request&>(request).headers;
        for (auto [it, end] = headers.equal_range("Accept-Encoding"); it != end; ++it) {
            std::string kept;
            for (std::size_t start = 0; start <= it->second.size();) {
                std::size_t comma = it->second.find(',', start);
                if (comma == std::string::npos) comma = it->second.size();
                std::string coding = it->second.substr(start, comma - start);
                coding.erase(0, coding.find_first_not_of(' '));
                if (!coding.empty() && lower(coding.substr(0, coding.find(';'))) != "br")
                    kept += (kept.empty() ? "" : ", ") + coding;
                start = comma + 1;
            }
            it->second = kept;
        }
        if (!request.has_header("Host")) {
            plainText(response, 400, "a Host header is required");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!hostCheck.allows(request.get_header_value("Host"))) {
            plainText(response, 421, "this server does not answer for host '" + request.get_header_value("Host") + "'");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    api.addRoutes(server);
    server.Get("/api/.*", [](const httplib::Request& request, httplib::Response& response) {
        sendError(response, 404, "", "no API at " + request.path);
    });
    server.Get(".*", [&files](const httplib::Request& request, httplib::Response& response) {
        files.handle(request, response);
    });
    const auto notAllowed = [](const httplib::Request& request, httplib::Response& response) {
        const bool post = request.path == "/api/evaluate" || request.path == "/api/export";
        response.set_header("Allow", post ? "POST" : "GET, HEAD");
        plainText(response, 405, request.method + " is not allowed here");
    };
    server.Post(".*", notAllowed);
    server.Put(".*", notAllowed);
    server.Patch(".*", notAllowed);
    server.Delete(".*", notAllowed);
    server.Options(".*", notAllowed);
    // Refusals the library makes itself (413 over the payload limit, 400 for a malformed request) get a
    // text saying so; on the API, the API's error document.
    server.set_error_handler([](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) return;
        const std::string reason = response.status == 413
                                       ? "the request body is larger than the server takes"
                                       : "the request was refused (HTTP " + std::to_string(response.status) + ")";
        if (request.path.rfind("/api/", 0) == 0) return sendError(response, response.status, "", reason);
        plainText(response, response.status, reason);
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
        std::string what = "unknown error";
        try {
            if (error) std::rethrow_exception(error);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        sendError(response, 500, "", "the server failed: " + what);
    });

    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port(options.host);
        if (port < 0) throw ServerError("cannot listen on " + options.host + ": no free port or unknown host");
    } else if (!server.bind_to_port(options.host, port)) {
        throw ServerError("cannot listen on " + options.host + ":" + std::to_string(port) +
                          " (in use, or not an address of this machine)");
    }
    const bool v6 = options.host.find(':') != std::string::npos;
    onListening("http://" + (v6 ? "[" + options.host + "]" : options.host) + ":" + std::to_string(port) + "/");

    std::promise<void> finished;
    auto done = finished.get_future();
    std::thread listener;
    try {
        listener = std::thread([&server, &finished] {
            server.listen_after_bind();
            finished.set_value();
        });
    } catch (const std::system_error& error) {
        throw ServerError(std::string("cannot start the listening thread: ") + error.what());
    }
    while (!stop.load() && done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    }
    server.stop();
    // Workers finish the request they are serving; a client still sending one does not hold the stop up.
    if (done.wait_for(std::chrono::milliseconds(500)) != std::future_status::ready) {
        listener.detach();
        (void)running.release(); // the caller ends the process next
        return false;
    }
    listener.join();
    return true;
}

} // namespace tcv::cli
