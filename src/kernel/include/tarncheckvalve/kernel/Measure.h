// Measured properties of kernel shapes: tight bounding box, volume and validity.
#pragma once

#include <TopoDS_Shape.hxx>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Shape.h"

namespace tcv::kernel {

TCV_EXPORT refhost::ShapeMeasure measureShape(const TopoDS_Shape& shape, bool isSolid);
// measureShape(shape, isSolid).valid without measuring the tight box.
TCV_EXPORT bool validShape(const TopoDS_Shape& shape, bool isSolid);

} // namespace tcv::kernel
