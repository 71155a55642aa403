// The shapes one evaluation has built, by what defines them. A creation whose record matches one made
// earlier in the same evaluation (the same kind with the same values, bit for bit) gets the shape built
// then instead of a new one: a symbol that projects one profile several times and moves each result into
// place (a lugged body's lugs) builds one solid, and its copies differ only in where they are put. Shapes
// are never changed once built (moving one makes a new, located shape), so sharing them is safe, and the
// exports mesh a shared shape once.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/Shape.h"

namespace tcv::refhost {

class TCV_EXPORT ConstructionMemo {
public:
    // The shape made earlier for this creation, or the one `build` makes now (kept for later). A build that
    // refuses leaves nothing behind.
    template <class Build>
    ShapePtr shapeFor(const Creation& creation, Build&& build) {
        std::string key = keyOf(creation);
        if (auto found = shapes_.find(key); found != shapes_.end()) return found->second;
        ShapePtr shape = std::forward<Build>(build)();
        shapes_.emplace(std::move(key), shape);
        return shape;
    }

private:
    // The kind and every named value with its exact bits: equal keys mean equal defining values.
    static std::string keyOf(const Creation& creation);

    std::unordered_map<std::string, ShapePtr> shapes_;
};

} // namespace tcv::refhost
