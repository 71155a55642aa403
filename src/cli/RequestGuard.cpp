#include "RequestGuard.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

#include <algorithm>

#include "HttpMessage.h"

namespace tcv::cli {

namespace {

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

} // namespace

HostCheck::HostCheck(const std::string& boundHost) {
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

std::string HostCheck::hostOf(const std::string& header) {
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

bool HostCheck::allows(const std::string& header) const {
    const std::string host = hostOf(header);
    return names_.count(host) > 0 || (wildcard_ && isIpLiteral(host));
}

std::optional<Refusal> guardRequestHead(const RequestHead& head, bool api, const ServerLimits& limits,
                                        const HostCheck& hostCheck, DecodedTarget& decoded) {
    if (head.version != 10 && head.version != 11) return Refusal{400, "unsupported HTTP version"};
    if (head.headerCount > limits.headerCount)
        return Refusal{431, "more than " + std::to_string(limits.headerCount) + " request headers"};
    const std::string_view target = head.target;
    if (target.size() > limits.targetBytes) return Refusal{414, "the request target is too long"};
    if (head.hosts.empty()) return Refusal{400, "a Host header is required"};
    if (head.hosts.size() > 1) return Refusal{400, "more than one Host header"};
    const std::string& host = head.hosts.front();
    if (!hostCheck.allows(host)) return Refusal{421, "this server does not answer for host '" + host + "'"};
    if (target.empty() || target.front() != '/') return Refusal{400, "bad request target"};

    // The target: path and query, decoded; the fragment a client should not have sent is dropped.
    const std::string_view raw = target.substr(0, target.find('#'));
    const auto question = raw.find('?');
    decoded.path = percentDecoded(raw.substr(0, question), false);
    decoded.query = question == std::string_view::npos ? std::vector<std::pair<std::string, std::string>>()
                                                       : parseQuery(raw.substr(question + 1));
    bool utf8 = isValidUtf8(decoded.path);
    for (const auto& [name, value] : decoded.query) utf8 = utf8 && isValidUtf8(name) && isValidUtf8(value);
    if (!utf8) return Refusal{400, "the request target is not valid UTF-8"};

    if (head.hasContentLength && head.contentLength > limits.payloadBytes)
        return Refusal{413, "the request body is larger than the server takes"};
    if (head.post && api && !head.hasContentLength && !head.chunked)
        return Refusal{411, "send the body with a Content-Length or chunked"};
    return std::nullopt;
}

} // namespace tcv::cli
