#include "HttpSession.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <iterator>
#include <optional>
#include <vector>

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "FileSpansBody.h"
#include "HttpMessage.h"

namespace tcv::cli {

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using std::chrono::seconds;

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

// A parser's complaint about what the client sent, as opposed to the connection ending or timing out.
bool isMalformed(const beast::error_code& ec) {
    return ec && ec.category() == http::make_error_code(http::error::end_of_stream).category() &&
           ec != http::error::end_of_stream && ec != http::error::partial_message;
}

void plainText(HttpResponse& response, int status, const std::string& text) {
    response.status = status;
    response.setContent(text + "\n", "text/plain; charset=utf-8");
}

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
        RequestHead head;
        head.version = version_;
        head.target = target;
        head.headerCount = static_cast<std::size_t>(std::distance(request.begin(), request.end()));
        for (const auto& field : request)
            if (field.name() == http::field::host) head.hosts.emplace_back(field.value());
        head.post = request.method() == http::verb::post;
        head.hasContentLength = request.has_content_length();
        head.contentLength = parser_->content_length().value_or(0);
        head.chunked = request.chunked();
        DecodedTarget decoded;
        if (const auto refusal = guardRequestHead(head, api_, limits_, shared_.hostCheck, decoded))
            return refuse(refusal->status, refusal->text);
        path_ = std::move(decoded.path);
        query_ = std::move(decoded.query);
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

        const RouteMatch match = (api_ ? shared_.apiRoutes : shared_.fileRoutes).find(request.method, request.path);
        if (match.route) return run(match.route->handle, match.route->longRunning, std::move(request));
        HttpResponse response;
        if (!match.allow.empty()) {
            response.setHeader("Allow", match.allow);
            if (api_)
                sendError(response, 405, "", request.method + " is not allowed here");
            else
                plainText(response, 405, request.method + " is not allowed here");
        } else if (api_) {
            sendError(response, 404, "", "no API at " + request.path);
        } else {
            plainText(response, 404, "not found");
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
        const std::uint64_t bytes = response.contentLength();
        stream_.expires_after(seconds(limits_.writeSeconds) + seconds(bytes >> 20));
        const bool bodiless = response.status == 304 || response.status == 204 || response.status < 200;
        if (head_ || bodiless) {
            auto message = std::make_shared<http::response<http::empty_body>>();
            setHead(*message, response, closeAfterWrite_);
            if (!bodiless) message->content_length(bytes);
            return write(std::move(message));
        }
        if (response.file.get() >= 0) {
            auto message = std::make_shared<http::response<FileSpansBody>>();
            setHead(*message, response, closeAfterWrite_);
            message->body().file = std::move(response.file);
            message->body().spans = std::move(response.spans);
            message->body().tail = std::move(response.body);
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

} // namespace

Shared::Shared(const ServerOptions& options, unsigned evaluations)
    : limits(options.limits), files(options.root, options.limits.fileBytes),
      api(evaluations, options.limits.evaluationWait, options.limits.evaluationHold, options.limits.meshCacheBytes,
          options.limits.work),
      hostCheck(options.host), apiRoutes(api.routes()),
      fileRoutes({{"GET", "/", false, [this](const HttpRequest& q, HttpResponse& r) { files.handle(q, r); }, true}}),
      work(evaluations + kWaitingThreads), quick(kQuickThreads) {}

bool Shared::admit(const net::ip::address& address) {
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
void Shared::leave(const net::ip::address& address) {
    const std::lock_guard lock(mutex);
    --open;
    const auto it = perAddress.find(address);
    if (it != perAddress.end() && --it->second == 0) perAddress.erase(it);
}

void Shared::started(const std::shared_ptr<std::atomic<bool>>& cancelled) {
    const std::lock_guard lock(mutex);
    running.insert(cancelled);
    if (stopping) cancelled->store(true);
}
void Shared::finished(const std::shared_ptr<std::atomic<bool>>& cancelled) {
    const std::lock_guard lock(mutex);
    running.erase(cancelled);
}
void Shared::cancelAll() {
    const std::lock_guard lock(mutex);
    stopping = true;
    for (const auto& flag : running) flag->store(true);
}
bool Shared::idle() {
    const std::lock_guard lock(mutex);
    return running.empty();
}

void startSession(tcp::socket&& socket, Shared& shared, const net::ip::address& address) {
    std::make_shared<Session>(std::move(socket), shared, address)->start();
}

} // namespace tcv::cli
