// The host's persistent graphics (solids and surfaces) and its ordered collections.
#pragma once

#include <memory>
#include <vector>

#include <TopoDS_Shape.hxx>

#include "host/Geometry.h"
#include "refhost/RecordSheet.h"
#include "refhost/Records.h"

namespace tcv::refhost {

class RefGraphic : public host::IGraphic, public RecordedObject {
public:
    RefGraphic(RecordSheet sheet, OutputKind kind, TopoDS_Shape shape)
        : sheet_(std::move(sheet)), kind_(kind), shape_(std::move(shape)) {}

    // Moves the shape and its record.
    void Transform(const host::DT4x4& matrix) override;

    const Creation& creation() const override { return sheet_.creation(); }
    OutputKind outputKind() const override { return kind_; }
    const TopoDS_Shape& shape() const override { return shape_; }

private:
    RecordSheet sheet_;
    OutputKind kind_;
    TopoDS_Shape shape_;
};

// An ordered collection numbered from 1; reading a position it lacks is a host error.
class RefCollection : public host::ICollection, public RecordedObject {
public:
    RefCollection() { refresh(); }

    int Count() const override { return static_cast<int>(members_.size()); }
    host::ObjectPtr Item(int index) const override;
    void Add(const host::ObjectPtr& member) override;
    void Clear() override;

    const Creation& creation() const override { return creation_; }
    OutputKind outputKind() const override { return OutputKind::Other; }
    const TopoDS_Shape& shape() const override { return noShape_; }

private:
    void refresh();

    std::vector<host::ObjectPtr> members_;
    Creation creation_;
    TopoDS_Shape noShape_;
};

// The shape moved by the map: a rigid motion moves it in place, other maps rebuild its geometry.
TopoDS_Shape transformedShape(const TopoDS_Shape& shape, const AffineMap& map);

} // namespace tcv::refhost
