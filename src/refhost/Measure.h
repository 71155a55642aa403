// Measured properties of kernel shapes: tight bounding box, volume and validity.
#pragma once

#include <array>
#include <optional>

#include <TopoDS_Shape.hxx>

namespace tcv::refhost {

struct ShapeMeasure {
    bool empty = true;
    std::array<double, 6> bbox{}; // xmin, ymin, zmin, xmax, ymax, zmax; tight within 1e-6 m
    std::optional<double> volume; // for solids
    bool valid = false;           // the kernel's check, a positive volume for solids, a finite box
};

ShapeMeasure measureShape(const TopoDS_Shape& shape, bool isSolid);

} // namespace tcv::refhost
