// The server's connections: what every session shares (handlers, route tables, threads, connection
// counts, the work under way) and the session that serves one connection on Boost.Beast. Each phase of a
// request has one deadline over the whole of it (the idle wait, the head, the body, the answer), so a
// client sending a byte now and then cannot keep a connection past it; the parser's limits refuse a head or
// body that grows too large while it is being read. Handlers never run on the I/O threads: evaluations and
// exports go to threads of their own (bounded by the API's slots), files and documents to two more, and
// the session resumes when the answer is ready.
#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility> // before Asio, whose 1.74 headers use std::exchange without it

#include <boost/asio.hpp>

#include "Api.h"
#include "HttpServer.h"
#include "RequestGuard.h"
#include "RouteTable.h"
#include "StaticFiles.h"

namespace tcv::cli {

// What every session shares: the handlers and their route tables, the threads they run on, the connection
// counts and the cancellation flags of the work under way. Outlives the I/O context.
struct Shared {
    Shared(const ServerOptions& options, unsigned evaluations);

    // Takes a connection from `address` in, unless the total or that address's share is full.
    bool admit(const boost::asio::ip::address& address);
    void leave(const boost::asio::ip::address& address);

    // Work under way: its flag is set when the server stops.
    void started(const std::shared_ptr<std::atomic<bool>>& cancelled);
    void finished(const std::shared_ptr<std::atomic<bool>>& cancelled);
    void cancelAll();
    bool idle();

    const ServerLimits limits;
    StaticFiles files;
    Api api;
    HostCheck hostCheck;
    // The routes under /api/ (the API's own table) and those of every other path (the folder's files).
    // A request's 404 or 405 answer, and its Allow header, come from the table its path belongs to.
    const RouteTable apiRoutes;
    const RouteTable fileRoutes;
    boost::asio::thread_pool work;
    boost::asio::thread_pool quick;

    std::mutex mutex;
    std::size_t maxOpen = 0;
    std::size_t open = 0;
    std::map<boost::asio::ip::address, std::size_t> perAddress;
    std::set<std::shared_ptr<std::atomic<bool>>> running;
    std::atomic<bool> stopping{false};
};

// Serves the connection of `socket` from `address` (admitted to `shared` already) until it closes.
void startSession(boost::asio::ip::tcp::socket&& socket, Shared& shared, const boost::asio::ip::address& address);

} // namespace tcv::cli
