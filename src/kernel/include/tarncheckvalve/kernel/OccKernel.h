// The reference host's shapes as the geometry kernel holds them. Exports and tests that work with the
// kernel read the kernel's shape of a host object here.
#pragma once

#include <TopoDS_Shape.hxx>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/kernel/Kernel.h"
#include "tarncheckvalve/refhost/Curves.h"
#include "tarncheckvalve/refhost/RefRuntime.h"
#include "tarncheckvalve/refhost/Shape.h"

namespace tcv::kernel {

class TCV_EXPORT OccShape final : public refhost::Shape {
public:
    explicit OccShape(TopoDS_Shape shape) : shape_(std::move(shape)) {}
    const TopoDS_Shape& shape() const { return shape_; }

    refhost::ShapePtr transformed(const refhost::AffineMap& map) const override;
    refhost::ShapeMeasure measure(bool isSolid) const override;
    bool valid(bool isSolid) const override;

private:
    TopoDS_Shape shape_;
};

// The kernel's shape of a host shape; a null shape where there is none (record-only, or a shape of
// another kernel).
TCV_EXPORT const TopoDS_Shape& occShape(const refhost::ShapePtr& shape);
// A host shape holding the kernel's shape; none for a null shape.
TCV_EXPORT refhost::ShapePtr makeShape(TopoDS_Shape shape);

} // namespace tcv::kernel
