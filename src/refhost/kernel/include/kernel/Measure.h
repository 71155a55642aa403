// Measured properties of kernel shapes: tight bounding box, volume and validity.
#pragma once

#include <TopoDS_Shape.hxx>

#include "refhost/Shape.h"

namespace tcv::refhost {

ShapeMeasure measureShape(const TopoDS_Shape& shape, bool isSolid);

} // namespace tcv::refhost
