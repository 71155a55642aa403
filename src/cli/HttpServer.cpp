// The server's lifecycle: it raises the descriptor limit, binds and listens, accepts connections within the
// connection limits and hands each to a session (HttpSession.h), runs the I/O threads, and on stop closes
// the listener, cancels the work under way and waits a little for it.
#include "HttpServer.h"

#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <system_error>
#include <thread>
#include <utility> // before Asio, whose 1.74 headers use std::exchange without it
#include <vector>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>

#include "HttpSession.h"

namespace tcv::cli {

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
using tcp = net::ip::tcp;

constexpr int kIoThreads = 2;
// Descriptors kept free of connections: the served files, the listening socket, the process's own.
constexpr std::size_t kReservedDescriptors = 64;

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
                    startSession(std::move(socket), shared_, remote.address());
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
