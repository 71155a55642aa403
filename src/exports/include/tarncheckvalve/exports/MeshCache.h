// Triangulations kept from one export document to the next. A rebuilt valve whose change leaves some of its
// shapes as they were (the configurator changes one value at a time; an operator or a nozzle rarely
// changes with the body) gets those shapes' triangles from here instead of meshing them again. A shape is
// found by its exact geometry and the mesh settings it was meshed with, so a hit gives the very triangles
// the mesher would make. The least recently used shapes are dropped beyond a memory budget.
#pragma once

#include <cstddef>
#include <memory>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::exports {

class TCV_EXPORT MeshCache {
public:
    explicit MeshCache(std::size_t byteBudget = std::size_t{64} << 20);
    ~MeshCache();
    MeshCache(const MeshCache&) = delete;
    MeshCache& operator=(const MeshCache&) = delete;

    struct Counts {
        std::size_t shapes = 0; // shapes held
        std::size_t bytes = 0;  // their triangles and keys, roughly
        std::size_t hits = 0;   // shapes whose triangles came from here
        std::size_t misses = 0; // shapes meshed and added
    };
    Counts counts() const;

    // The document's side of the cache (its geometry types stay out of this header).
    struct Impl;
    Impl& impl() { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace tcv::exports
