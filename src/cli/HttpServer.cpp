// The server on Boost.Beast over Asio: one session object per connection, all of them driven by two I/O
// threads. Each phase of a request has one deadline over the whole of it (the idle wait, the head, the
// body, the answer), so a client sending a byte now and then cannot keep a connection past it; the
// parser's limits refuse a head or body that grows too large while it is being read. Handlers never run
// on the I/O threads: evaluations and exports go to threads of their own (bounded by the API's slots),
// files and documents to two more, and the session resumes when the answer is ready.
#include "HttpServer.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility> // before Asio, whose 1.74 headers use std::exchange without it
#include <vector>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "Api.h"
#include "HttpMessage.h"
#include "StaticFiles.h"

namespace tcv::cli {

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using std::chrono::seconds;

constexpr int kIoThreads = 2;
// Threads for evaluations and exports beyond the slots: a request waiting for a slot blocks one.
constexpr unsigned kWaitingThreads = 16;
// Threads for files and the API's documents.
constexpr unsigned kQuickThreads = 2;
// The most a connection's read buffer holds: a request head (itself limited below this) or a chunk header.
constexpr std::size_t kReadBufferBytes = 64 * 1024;
// A chunked body's framing (chunk sizes and extensions) may add this much to its data on the wire.
constexpr std::size_t kFramingBytes = 256 * 1024;
// After an answer that ends a connection early, what the client still sends is read and dropped for up to
// this long and this much, so that it sees the answer rather than a reset.
constexpr auto kDrainTime = seconds(2);
constexpr std::size_t kDrainBytes = std::size_t{16} << 20;
// Descriptors kept free of connections: the served files, the listening socket, the process's own.
constexpr std::size_t kReservedDescriptors = 64;

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
        const std::string bound = lowerCase(boundHost);
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
                names_.insert(lowerCase(entry->h_name));
                for (char** alias = entry->h_aliases; *alias; ++alias) names_.insert(lowerCase(*alias));
            }
            ::endhostent();
        }
        if (wildcard_) {
            char name[256] = {};
            if (::gethostname(name, sizeof name - 1) == 0) names_.insert(lowerCase(name));
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
        return lowerCase(host);
    }

    bool allows(const std::string& header) const {
        const std::string host = hostOf(header);
        return names_.count(host) > 0 || (wildcard_ && isIpLiteral(host));
    }

private:
    bool wildcard_ = false;
    std::set<std::string> names_;
};

// A parser's complaint about what the client sent, as opposed to the connection ending or timing out.
bool isMalformed(const beast::error_code& ec) {
    return ec && ec.category() == http::make_error_code(http::error::end_of_stream).category() &&
           ec != http::error::end_of_stream && ec != http::error::partial_message;
}

void plainText(HttpResponse& response, int status, const std::string& text) {
    response.status = status;
    response.setContent(text + "\n", "text/plain; charset=utf-8");
}

// The soft limit on open descriptors raised to the hard one, so that thousands of connections fit;
// returns the limit now in force.
std::size_t raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    return limit.rlim_cur == RLIM_INFINITY ? std::size_t{1} << 20 : static_cast<std::size_t>(limit.rlim_cur);
}

// What every session shares: the handlers, the threads they run on, the connection counts and the
// cancellation flags of the work under way. Outlives the I/O context.
struct Shared {
    Shared(const ServerOptions& options, unsigned evaluations)
        : limits(options.limits), files(options.root, options.limits.fileBytes),
          api(evaluations, options.limits.evaluationWait, options.limits.evaluationHold, options.limits.meshCacheBytes,
              options.limits.work),
          hostCheck(options.host), routes(api.routes()), work(evaluations + kWaitingThreads), quick(kQuickThreads) {}

    // Takes a connection from `address` in, unless the total or that address's share is full.
    bool admit(const net::ip::address& address) {
        const std::lock_guard lock(mutex);
        auto& fromAddress = perAddress[address];
        if (open >= maxOpen || fromAddress >= limits.connectionsPerAddress) {
            if (fromAddress == 0) perAddress.erase(address);
            return false;
        }
        ++open;
        ++fromAddress;
        return true;
    }
    void leave(const net::ip::address& address) {
        const std::lock_guard lock(mutex);
        --open;
        const auto it = perAddress.find(address);
        if (it != perAddress.end() && --it->second == 0) perAddress.erase(it);
    }

    // Work under way: its flag is set when the server stops.
    void started(const std::shared_ptr<std::atomic<bool>>& cancelled) {
        const std::lock_guard lock(mutex);
        running.insert(cancelled);
        if (stopping) cancelled->store(true);
    }
    void finished(const std::shared_ptr<std::atomic<bool>>& cancelled) {
        const std::lock_guard lock(mutex);
        running.erase(cancelled);
    }
    void cancelAll() {
        const std::lock_guard lock(mutex);
        stopping = true;
        for (const auto& flag : running) flag->store(true);
    }
    bool idle() {
        const std::lock_guard lock(mutex);
        return running.empty();
    }

    const ServerLimits limits;
    StaticFiles files;
    Api api;
    HostCheck hostCheck;
    const std::vector<Route> routes;
    net::thread_pool work;
    net::thread_pool quick;

    std::mutex mutex;
    std::size_t maxOpen = 0;
    std::size_t open = 0;
    std::map<net::ip::address, std::size_t> perAddress;
    std::set<std::shared_ptr<std::atomic<bool>>> running;
    std::atomic<bool> stopping{false};
};

// One connection, from its first byte to its close. Every member is used on the connection's strand only.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket&& socket, Shared& shared, net::ip::address address)
        : stream_(std::move(socket)), shared_(shared), limits_(shared.limits), address_(std::move(address)),
          buffer_(kReadBufferBytes) {}
    ~Session() { shared_.leave(address_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void start() {
        net::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->awaitRequest(); });
    }

private:
    // Waits for the first bytes of the next request (or of the first one), at most the idle time.
    void awaitRequest() {
        parser_.reset();
        api_ = false;
        head_ = false;
        version_ = 11;
        if (shared_.stopping) return close();
        if (buffer_.size() > 0) return readHead();
        stream_.expires_after(seconds(limits_.idleSeconds));
        stream_.async_read_some(buffer_.prepare(4096),
                                [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                    self->buffer_.commit(n);
                                    if (ec) return self->close();
                                    self->readHead();
                                });
    }

    // The request line and headers, all within one deadline and the header limit.
    void readHead() {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(limits_.headerBytes));
        parser_->body_limit(limits_.payloadBytes);
        stream_.expires_after(seconds(limits_.headSeconds));
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onHead(ec); });
    }

    void onHead(beast::error_code ec) {
        api_ = parser_->get().target().starts_with("/api/"); // known once the request line is read
        if (ec == http::error::body_limit) return refuse(413, "the request body is larger than the server takes");
        if (ec == http::error::header_limit || ec == http::error::buffer_overflow)
            return refuse(431, "request headers too large");
        if (isMalformed(ec)) return refuse(400, "malformed request: " + ec.message());
        if (ec) return close(); // the client left, or the deadline passed (the stream is closed then)
        const auto& request = parser_->get();
        version_ = request.version();
        const std::string_view target(request.target().data(), request.target().size());
        api_ = target.rfind("/api/", 0) == 0;
        head_ = request.method() == http::verb::head;
        if (version_ != 10 && version_ != 11) return refuse(400, "unsupported HTTP version");
        if (static_cast<std::size_t>(std::distance(request.begin(), request.end())) > limits_.headerCount)
            return refuse(431, "more than " + std::to_string(limits_.headerCount) + " request headers");
        if (target.size() > limits_.targetBytes) return refuse(414, "the request target is too long");
        const auto hosts = request.count(http::field::host);
        if (hosts == 0) return refuse(400, "a Host header is required");
        if (hosts > 1) return refuse(400, "more than one Host header");
        const std::string host(request[http::field::host]);
        if (!shared_.hostCheck.allows(host)) return refuse(421, "this server does not answer for host '" + host + "'");
        if (target.empty() || target.front() != '/') return refuse(400, "bad request target");

        // The target: path and query, decoded; the fragment a client should not have sent is dropped.
        std::string_view raw = target.substr(0, target.find('#'));
        const auto question = raw.find('?');
        path_ = percentDecoded(raw.substr(0, question), false);
        query_ = question == std::string_view::npos ? decltype(query_)() : parseQuery(raw.substr(question + 1));
        bool utf8 = isValidUtf8(path_);
        for (const auto& [name, value] : query_) utf8 = utf8 && isValidUtf8(name) && isValidUtf8(value);
        if (!utf8) return refuse(400, "the request target is not valid UTF-8");

        if (request.has_content_length() && parser_->content_length().value_or(0) > limits_.payloadBytes)
            return refuse(413, "the request body is larger than the server takes");
        if (request.method() == http::verb::post && api_ && !request.has_content_length() && !request.chunked())
            return refuse(411, "send the body with a Content-Length or chunked");
        if (parser_->is_done()) return onRequest();
        const auto expect = request[http::field::expect];
        if (beast::iequals(expect, "100-continue")) {
            auto proceed = std::make_shared<http::response<http::empty_body>>(http::status::continue_, version_);
            stream_.expires_after(seconds(limits_.writeSeconds));
            return http::async_write(stream_, *proceed,
                                     [self = shared_from_this(), proceed](beast::error_code error, std::size_t) {
                                         if (error) return self->close();
                                         self->readBody();
                                     });
        }
        readBody();
    }

    // The body, within one deadline, the body limit and a bound on its bytes on the wire.
    void readBody() {
        stream_.expires_after(seconds(limits_.bodySeconds));
        bodyWireBytes_ = 0;
        readBodyPart();
    }

    void readBodyPart() {
        http::async_read_some(
            stream_, buffer_, *parser_,
            [self = shared_from_this()](beast::error_code ec, std::size_t n) { self->onBodyPart(ec, n); });
    }

    void onBodyPart(beast::error_code ec, std::size_t bytes) {
        bodyWireBytes_ += bytes;
        if (ec == http::error::body_limit) return refuse(413, "the request body is larger than the server takes");
        if (ec == http::error::buffer_overflow) return refuse(400, "a chunk header too long");
        if (isMalformed(ec)) return refuse(400, "malformed request body: " + ec.message());
        if (ec) return close();
        if (parser_->is_done()) return onRequest();
        if (bodyWireBytes_ > limits_.payloadBytes + kFramingBytes)
            return refuse(413, "the request body's chunk framing is larger than the server takes");
        readBodyPart();
    }

    // The whole request is in: route it.
    void onRequest() {
        auto& message = parser_->get();
        keepAlive_ = message.keep_alive();
        HttpRequest request;
        request.method = std::string(message.method_string());
        request.target = std::string(message.target());
        request.path = std::move(path_);
        request.query = std::move(query_);
        for (const auto& field : message) request.headers.emplace_back(field.name_string(), field.value());
        request.body = std::move(message.body());
        request.received = std::chrono::steady_clock::now();

        const bool get = request.method == "GET" || request.method == "HEAD";
        if (!api_) {
            if (!get) {
                HttpResponse response;
                response.setHeader("Allow", "GET, HEAD");
                plainText(response, 405, request.method + " is not allowed here");
                return send(std::move(response), false);
            }
            return run([&files = shared_.files](const HttpRequest& q, HttpResponse& r) { files.handle(q, r); }, false,
                       std::move(request));
        }
        std::string allow;
        for (const auto& route : shared_.routes) {
            if (route.path != request.path) continue;
            if (route.method == request.method || (route.method == "GET" && request.method == "HEAD"))
                return run(route.handle, route.longRunning, std::move(request));
            allow += (allow.empty() ? "" : ", ") + route.method + (route.method == "GET" ? ", HEAD" : "");
        }
        HttpResponse response;
        if (allow.empty()) {
            sendError(response, 404, "", "no API at " + request.path);
        } else {
            response.setHeader("Allow", allow);
            sendError(response, 405, "", request.method + " is not allowed here");
        }
        send(std::move(response), false);
    }

    // Runs a handler off the I/O threads; long-running work gets its client watched meanwhile.
    void run(std::function<void(const HttpRequest&, HttpResponse&)> handle, bool longRunning, HttpRequest request) {
        auto shared = std::make_shared<HttpRequest>(std::move(request));
        working_ = true;
        stream_.expires_never();
        if (longRunning) {
            shared_.started(shared->cancelled);
            watchClient(shared->cancelled);
        }
        net::post(longRunning ? shared_.work : shared_.quick,
                  [self = shared_from_this(), request = shared, handle = std::move(handle), longRunning] {
                      HttpResponse response;
                      try {
                          handle(*request, response);
                      } catch (const std::exception& error) {
                          response = HttpResponse();
                          const std::string what = std::string("the server failed: ") + error.what();
                          if (self->api_)
                              sendError(response, 500, "", what);
                          else
                              plainText(response, 500, what);
                      }
                      if (longRunning) self->shared_.finished(request->cancelled);
                      net::post(self->stream_.get_executor(), [self, response = std::move(response)]() mutable {
                          self->workDone(std::move(response));
                      });
                  });
    }

    // While work runs, a wait on the socket: the client closing or resetting its connection sets the
    // request's cancelled flag. Further bytes (a pipelined request) show that it is still there.
    void watchClient(std::shared_ptr<std::atomic<bool>> cancelled) {
        stream_.socket().async_wait(
            tcp::socket::wait_read, [self = shared_from_this(), cancelled](beast::error_code ec) {
                if (!self->working_) return;
                if (ec) return cancelled->store(true);
                char byte = 0;
                const ssize_t got = ::recv(self->stream_.socket().native_handle(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
                if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                    return cancelled->store(true);
                if (got < 0) self->watchClient(cancelled);
            });
    }

    void workDone(HttpResponse response) {
        working_ = false;
        beast::error_code ignored;
        stream_.socket().cancel(ignored); // ends the watch
        send(std::move(response), !keepAlive_);
    }

    // Refuses the request being read and ends the connection.
    void refuse(int status, const std::string& text) {
        HttpResponse response;
        if (api_)
            sendError(response, status, "", text);
        else
            plainText(response, status, text);
        send(std::move(response), true);
    }

    template <class Body>
    void setHead(http::response<Body>& message, HttpResponse& response, bool last) {
        message.result(static_cast<unsigned>(response.status));
        message.version(version_);
        for (const auto& [name, value] : response.headers) message.insert(name, value);
        if (!response.contentType.empty()) message.set(http::field::content_type, response.contentType);
        message.keep_alive(!last);
    }

    void send(HttpResponse response, bool last) {
        ++served_;
        closeAfterWrite_ = last || served_ >= limits_.keepAliveRequests || shared_.stopping;
        const std::uint64_t bytes = response.file.get() >= 0 ? response.fileSize : response.body.size();
        stream_.expires_after(seconds(limits_.writeSeconds) + seconds(bytes >> 20));
        const bool bodiless = response.status == 304 || response.status == 204 || response.status < 200;
        if (head_ || bodiless) {
            auto message = std::make_shared<http::response<http::empty_body>>();
            setHead(*message, response, closeAfterWrite_);
            if (!bodiless) message->content_length(bytes);
            return write(std::move(message));
        }
        if (response.file.get() >= 0) {
            auto message = std::make_shared<http::response<http::file_body>>();
            setHead(*message, response, closeAfterWrite_);
            beast::file file;
            file.native_handle(response.file.release());
            beast::error_code ec;
            message->body().reset(std::move(file), ec);
            if (ec) return close();
            message->prepare_payload();
            return write(std::move(message));
        }
        auto message = std::make_shared<http::response<http::string_body>>();
        setHead(*message, response, closeAfterWrite_);
        message->body() = std::move(response.body);
        message->prepare_payload();
        write(std::move(message));
    }

    template <class Body>
    void write(std::shared_ptr<http::response<Body>> message) {
        http::async_write(stream_, *message, [self = shared_from_this(), message](beast::error_code ec, std::size_t) {
            if (ec) return self->close();
            if (self->closeAfterWrite_) return self->drainAndClose();
            self->awaitRequest();
        });
    }

    // Ends the connection after an answer: what the client still sends is read and dropped for a while,
    // so that it sees the answer instead of a reset.
    void drainAndClose() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.expires_after(kDrainTime);
        drained_ = 0;
        drain();
    }

    void drain() {
        buffer_.clear();
        stream_.async_read_some(buffer_.prepare(kReadBufferBytes),
                                [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                    self->drained_ += n;
                                    if (ec || self->drained_ > kDrainBytes) return self->close();
                                    self->drain();
                                });
    }

    void close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
    }

    beast::tcp_stream stream_;
    Shared& shared_;
    const ServerLimits& limits_;
    net::ip::address address_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::string path_;
    std::vector<std::pair<std::string, std::string>> query_;
    unsigned version_ = 11;
    bool api_ = false;
    bool head_ = false;
    bool keepAlive_ = true;
    bool working_ = false;
    bool closeAfterWrite_ = false;
    std::size_t served_ = 0;
    std::size_t bodyWireBytes_ = 0;
    std::size_t drained_ = 0;
};

// Accepts connections and hands each to a session of its own, within the connection limits.
class Listener : public std::enable_shared_from_this<Listener> {
public:
    Listener(net::io_context& context, tcp::acceptor&& acceptor, Shared& shared)
        : context_(context), acceptor_(std::move(acceptor)), shared_(shared), retry_(acceptor_.get_executor()) {}

    unsigned short port() const { return acceptor_.local_endpoint().port(); }

    void accept() {
        acceptor_.async_accept(net::make_strand(context_),
                               [self = shared_from_this()](beast::error_code ec, tcp::socket socket) {
                                   self->onAccept(ec, std::move(socket));
                               });
    }

    void close() {
        net::post(acceptor_.get_executor(), [self = shared_from_this()] {
            beast::error_code ignored;
            self->acceptor_.close(ignored);
            self->retry_.cancel();
        });
    }

private:
    void onAccept(beast::error_code ec, tcp::socket socket) {
        if (!acceptor_.is_open() || ec == net::error::operation_aborted) return;
        if (ec) {
            // Out of descriptors or memory for a moment: try again shortly rather than spin.
            retry_.expires_after(std::chrono::milliseconds(50));
            retry_.async_wait([self = shared_from_this()](beast::error_code error) {
                if (!error) self->accept();
            });
            return;
        }
        beast::error_code error;
        const auto remote = socket.remote_endpoint(error);
        if (!error) {
            if (!shared_.admit(remote.address())) {
                static constexpr char kFull[] = "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 1\r\nContent-Length: "
                                                "0\r\nConnection: close\r\n\r\n";
                (void)::send(socket.native_handle(), kFull, sizeof kFull - 1, MSG_DONTWAIT | MSG_NOSIGNAL);
                socket.close(error);
            } else {
                socket.set_option(tcp::no_delay(true), error);
                try {
                    std::make_shared<Session>(std::move(socket), shared_, remote.address())->start();
                } catch (const std::exception&) {
                    shared_.leave(remote.address()); // no session took the connection
                }
            }
        }
        accept();
    }

    net::io_context& context_;
    tcp::acceptor acceptor_;
    Shared& shared_;
    net::steady_timer retry_;
};

tcp::acceptor listen(net::io_context& context, const std::string& host, int port) {
    const std::string where = host + ":" + std::to_string(port);
    tcp::resolver resolver(context);
    beast::error_code ec;
    const auto endpoints =
        resolver.resolve(host, std::to_string(port), tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || endpoints.empty()) throw ServerError("cannot listen on " + host + ": unknown host");
    tcp::acceptor acceptor(net::make_strand(context));
    const tcp::endpoint endpoint = endpoints.begin()->endpoint();
    acceptor.open(endpoint.protocol(), ec);
    // Address reuse for a quick restart, but not port sharing: a second server on the same port must fail
    // rather than take half of the connections.
    if (!ec) acceptor.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) acceptor.bind(endpoint, ec);
    if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
    if (ec) throw ServerError("cannot listen on " + where + " (in use, or not an address of this machine)");
    return acceptor;
}

} // namespace

bool runServer(const ServerOptions& options, const std::atomic<bool>& stop,
               const std::function<void(const std::string& url)>& onListening) {
    const ServerLimits& limits = options.limits;
    const unsigned evaluations =
        limits.evaluations ? limits.evaluations : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t descriptors = raiseOpenFileLimit();

    auto shared = std::make_unique<Shared>(options, evaluations);
    shared->maxOpen =
        std::min(limits.connections,
                 descriptors > 2 * kReservedDescriptors ? descriptors - kReservedDescriptors : descriptors / 2);
    auto context = std::make_unique<net::io_context>(kIoThreads);
    // The acceptor moves straight into the listener: a moved-from acceptor left here would still hold its
    // strand, and drop it only after the context is gone.
    auto listener = std::make_shared<Listener>(*context, listen(*context, options.host, options.port), *shared);
    const unsigned short port = listener->port();
    const bool v6 = options.host.find(':') != std::string::npos;
    onListening("http://" + (v6 ? "[" + options.host + "]" : options.host) + ":" + std::to_string(port) + "/");

    listener->accept();
    auto guard = net::make_work_guard(*context);
    std::vector<std::thread> threads;
    const auto runContext = [&context] {
        // A handler that throws (memory exhausted) costs its connection, not the thread.
        while (true) {
            try {
                context->run();
                return;
            } catch (const std::exception& error) {
                std::cerr << "checkvalve serve: " << error.what() << "\n";
            }
        }
    };
    for (int i = 0; i < kIoThreads; ++i) {
        try {
            threads.emplace_back(runContext);
        } catch (const std::system_error& error) {
            context->stop();
            for (auto& thread : threads) thread.join();
            throw ServerError(std::string("cannot start the server's threads: ") + error.what());
        }
    }
    while (!stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(50));

    // Stop: no new connections, every evaluation told it is cancelled and given half a second.
    listener->close();
    shared->cancelAll();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (!shared->idle() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool finished = shared->idle();
    guard.reset();
    context->stop();
    for (auto& thread : threads) thread.join();
    if (!finished) {
        // An evaluation that does not stop keeps its thread: the caller ends the process next.
        (void)context.release();
        (void)shared.release();
        return false;
    }
    shared->work.join();
    shared->quick.join();
    listener.reset();
    context.reset(); // the sessions go with the handlers that hold them
    return true;
}

} // namespace tcv::cli
