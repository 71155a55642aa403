// What the server refuses before it routes a request: the checks on a request's head (HTTP version, header
// count, target length and encoding, the Host header, body size and framing), made on plain values so that
// they know nothing of the HTTP library. The parser's own limits (head and body size) come before them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "HttpServer.h"

namespace tcv::cli {

// The names a request may give in its Host header. A page of another site that has its own name resolve
// to this address (DNS rebinding) sends that name, so only the bound address, this machine's names and the
// hosts file's loopback names pass; a server opened to every address also accepts any address literal.
class HostCheck {
public:
    explicit HostCheck(const std::string& boundHost);

    // The host of a Host header value ("name:port", "[::1]:port"), lower case, without a trailing dot.
    static std::string hostOf(const std::string& header);

    bool allows(const std::string& header) const;

private:
    bool wildcard_ = false;
    std::set<std::string> names_;
};

// A request's head as the guard looks at it.
struct RequestHead {
    unsigned version = 11; // 10 or 11 for HTTP/1.0 or 1.1
    std::string_view target;
    std::size_t headerCount = 0;
    std::vector<std::string> hosts; // the Host headers' values
    bool post = false;
    bool hasContentLength = false;
    std::uint64_t contentLength = 0;
    bool chunked = false;
};

// The answer that ends a request the guard refuses: its status and what was wrong.
struct Refusal {
    int status;
    std::string text;
};

// A request target that passed: its percent-decoded path and query.
struct DecodedTarget {
    std::string path;
    std::vector<std::pair<std::string, std::string>> query;
};

// The first check the head fails, in the order the server has always made them, or the decoded target.
// `api`: the target is under /api/, whose POSTs must say how long their body is.
std::optional<Refusal> guardRequestHead(const RequestHead& head, bool api, const ServerLimits& limits,
                                        const HostCheck& hostCheck, DecodedTarget& decoded);

} // namespace tcv::cli
