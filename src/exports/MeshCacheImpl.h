// The export document's use of the mesh cache: a shape's key, and its faces' triangulations taken from or
// given to the cache.
#pragma once

#include <list>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <Poly_Triangulation.hxx>
#include <TopoDS_Shape.hxx>

#include "tarncheckvalve/exports/MeshCache.h"

namespace tcv::exports {

struct MeshCache::Impl {
    // The shape's geometry written out exactly (its unmoved form, without triangles) with the settings
    // that decide its triangles.
    static std::string keyOf(const TopoDS_Shape& shape, double linearDeflection, double angularDeflection);

    // Gives the shape's faces the triangulations kept under the key; false (and no face changed) when none
    // are kept or they do not fit the shape's faces.
    bool apply(const std::string& key, const TopoDS_Shape& shape);
    // Keeps the triangulations of the shape's faces (all of them meshed) under the key.
    void keep(const std::string& key, const TopoDS_Shape& shape);

    struct Entry {
        std::string key;
        std::vector<Handle(Poly_Triangulation)> faces;
        std::size_t bytes = 0;
    };

    std::size_t budget = 0;
    mutable std::mutex mutex;
    std::list<Entry> entries; // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> index;
    Counts counts;
};

} // namespace tcv::exports
