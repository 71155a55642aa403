// How many triangles the mesher will make of a shape at given deflections, estimated from its faces'
// surfaces and extents before any meshing: a part whose meshes would be too large is coarsened or
// refused before the mesher spends minutes and gigabytes on it.
#pragma once

#include <TopoDS_Shape.hxx>

namespace tcv::exports {

struct TriangleEstimate {
    double total = 0;
    // The most on one face: the mesher's time grows with the square of a face's triangles.
    double largestFace = 0;
};

// An estimate of the triangles of `shape`: of the order of the mesher's count for the analytic surfaces
// the host builds (planes, cylinders, cones, spheres, tori), and an upper bound of that order for others.
TriangleEstimate estimateTriangles(const TopoDS_Shape& shape, double linearDeflection, double angularDeflection);

} // namespace tcv::exports
