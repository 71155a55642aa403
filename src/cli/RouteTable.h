// A table of routes, and what a request finds in it: the route to run, or, for a path the table has under
// other methods only, the Allow header of the 405 answer, made from the same table.
#pragma once

#include <string>
#include <vector>

#include "HttpMessage.h"

namespace tcv::cli {

struct RouteMatch {
    const Route* route = nullptr; // the route to run; null when none takes the request
    // Without a route: the methods the table has for the path, as an Allow header ("GET, HEAD, POST");
    // empty when no route has the path (404).
    std::string allow;
};

class RouteTable {
public:
    explicit RouteTable(std::vector<Route> routes);

    // The first route whose path matches and whose method is the request's; a GET route also takes HEAD.
    RouteMatch find(const std::string& method, const std::string& path) const;

    const std::vector<Route>& routes() const { return routes_; }

private:
    std::vector<Route> routes_;
};

} // namespace tcv::cli
