// The server's route table: which route a request runs, and the Allow header of a 405 answer, made from
// the same table; the request guard's refusals in the order the server makes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RequestGuard.h"
#include "RouteTable.h"

namespace tcv::cli {
namespace {

Route route(std::string method, std::string path, bool prefix = false) {
    return Route{std::move(method), std::move(path), false, [](const HttpRequest&, HttpResponse&) {}, prefix};
}

TEST(RouteTable, FindsTheRouteOrDerivesTheAllowHeaderFromTheRoutesOfThePath) {
    const RouteTable table({route("GET", "/api/part"), route("POST", "/api/part"), route("POST", "/api/build"),
                            route("GET", "/api/definition")});
    struct Case {
        std::string method, path;
        int route; // index of the route run, -1: none
        std::string allow;
    };
    const Case cases[] = {
        {"GET", "/api/part", 0, ""},
        {"HEAD", "/api/part", 0, ""}, // a GET route takes HEAD
        {"POST", "/api/part", 1, ""},
        {"POST", "/api/build", 2, ""},
        {"GET", "/api/build", -1, "POST"},
        {"HEAD", "/api/build", -1, "POST"},
        {"DELETE", "/api/part", -1, "GET, HEAD, POST"},
        {"POST", "/api/definition", -1, "GET, HEAD"},
        {"GET", "/api/nothing", -1, ""},             // no route has the path: 404
        {"GET", "/api/part/more", -1, ""},           // exact paths only
        {"get", "/api/part", -1, "GET, HEAD, POST"}, // methods are case-sensitive
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method + " " + c.path);
        const RouteMatch match = table.find(c.method, c.path);
        if (c.route < 0) {
            EXPECT_EQ(match.route, nullptr);
        } else {
            EXPECT_EQ(match.route, &table.routes()[static_cast<std::size_t>(c.route)]);
        }
        EXPECT_EQ(match.allow, c.allow);
    }
}

TEST(RouteTable, APrefixRouteTakesEveryPathUnderIt) {
    const RouteTable files({route("GET", "/", true)});
    EXPECT_NE(files.find("GET", "/index.json").route, nullptr);
    EXPECT_NE(files.find("HEAD", "/viewer/app.js").route, nullptr);
    const RouteMatch post = files.find("POST", "/index.json");
    EXPECT_EQ(post.route, nullptr);
    EXPECT_EQ(post.allow, "GET, HEAD");
}

// A head that passes every check, from a loopback client of a loopback server.
RequestHead goodHead() {
    RequestHead head;
    head.target = "/api/evaluate?x=%41";
    head.headerCount = 3;
    head.hosts = {"127.0.0.1:8080"};
    head.post = true;
    head.hasContentLength = true;
    head.contentLength = 10;
    return head;
}

TEST(RequestGuard, RefusesTheFirstFaultOfAHeadAndDecodesTheTargetOfOneThatPasses) {
    const ServerLimits limits;
    const HostCheck hosts("127.0.0.1");
    DecodedTarget decoded;
    EXPECT_FALSE(guardRequestHead(goodHead(), true, limits, hosts, decoded));
    EXPECT_EQ(decoded.path, "/api/evaluate");
    EXPECT_EQ(decoded.query, (std::vector<std::pair<std::string, std::string>>{{"x", "A"}}));

    struct Case {
        const char* name;
        void (*spoil)(RequestHead&);
        int status;
    };
    const Case cases[] = {
        {"HTTP/2 in an HTTP/1 request", [](RequestHead& h) { h.version = 20; }, 400},
        {"too many headers", [](RequestHead& h) { h.headerCount = 101; }, 431},
        {"no Host", [](RequestHead& h) { h.hosts.clear(); }, 400},
        {"two Hosts", [](RequestHead& h) { h.hosts.push_back("localhost"); }, 400},
        {"a foreign Host", [](RequestHead& h) { h.hosts = {"example.org"}; }, 421},
        {"a target that is no path", [](RequestHead& h) { h.target = "api/evaluate"; }, 400},
        {"a target that is not UTF-8", [](RequestHead& h) { h.target = "/api/%ff"; }, 400},
        {"a body over the limit", [](RequestHead& h) { h.contentLength = (1u << 20) + 1; }, 413},
        {"a POST without length", [](RequestHead& h) { h.hasContentLength = false; }, 411},
        // The first fault counts: a foreign Host before a missing length.
        {"two faults", [](RequestHead& h) { h.hosts = {"example.org"}, h.hasContentLength = false; }, 421},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RequestHead head = goodHead();
        c.spoil(head);
        const auto refusal = guardRequestHead(head, true, limits, hosts, decoded);
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->status, c.status);
    }
    // A chunked POST needs no length; outside /api/ a POST is refused by the route table instead.
    RequestHead chunked = goodHead();
    chunked.hasContentLength = false, chunked.chunked = true;
    EXPECT_FALSE(guardRequestHead(chunked, true, limits, hosts, decoded));
    RequestHead file = goodHead();
    file.hasContentLength = false, file.target = "/index.json";
    EXPECT_FALSE(guardRequestHead(file, false, limits, hosts, decoded));
}

} // namespace
} // namespace tcv::cli
