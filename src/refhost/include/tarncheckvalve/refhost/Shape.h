// A shape the geometry kernel built for a host object. The host objects hold it without knowing the
// kernel: they move it with the object and ask it for its measured properties; exports that know the
// kernel read the kernel's own shape from it.
#pragma once

#include <array>
#include <memory>
#include <optional>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::refhost {

struct AffineMap;

// Measured properties of a shape: tight bounding box, volume and validity.
struct ShapeMeasure {
    bool empty = true;
    std::array<double, 6> bbox{}; // xmin, ymin, zmin, xmax, ymax, zmax; tight within 1e-6 m
    std::optional<double> volume; // for solids
    bool valid = false;           // the kernel's check, a positive volume for solids, a finite box
};

class Shape;
using ShapePtr = std::shared_ptr<const Shape>;

// The geometry kernel that builds shapes (refhost/GeometryKernel.h); hosts hold it by this handle.
class GeometryKernel;
using KernelPtr = std::shared_ptr<const GeometryKernel>;

class TCV_EXPORT Shape {
public:
    virtual ~Shape() = default;
    // The shape moved by the map: a rigid motion moves it in place, other maps rebuild its geometry.
    virtual ShapePtr transformed(const AffineMap& map) const = 0;
    virtual ShapeMeasure measure(bool isSolid) const = 0;
    // What measure(isSolid).valid says, found without the tight box (a finite extent is all it needs).
    virtual bool valid(bool isSolid) const = 0;
};

} // namespace tcv::refhost
