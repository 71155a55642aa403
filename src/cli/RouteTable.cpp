#include "RouteTable.h"

#include <utility>

namespace tcv::cli {

namespace {

bool matches(const Route& route, const std::string& path) {
    return route.prefix ? path.rfind(route.path, 0) == 0 : path == route.path;
}

} // namespace

RouteTable::RouteTable(std::vector<Route> routes) : routes_(std::move(routes)) {}

RouteMatch RouteTable::find(const std::string& method, const std::string& path) const {
    RouteMatch match;
    for (const auto& route : routes_) {
        if (!matches(route, path)) continue;
        if (route.method == method || (route.method == "GET" && method == "HEAD")) return RouteMatch{&route, {}};
        match.allow += (match.allow.empty() ? "" : ", ") + route.method + (route.method == "GET" ? ", HEAD" : "");
    }
    return match;
}

} // namespace tcv::cli
