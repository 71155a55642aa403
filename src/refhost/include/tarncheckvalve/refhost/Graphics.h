// The host's persistent graphics (solids and surfaces) and its ordered collections.
#pragma once

#include <memory>
#include <vector>

#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/RecordSheet.h"
#include "tarncheckvalve/refhost/Records.h"

namespace tcv::refhost {

class TCV_EXPORT RefGraphic : public host::IGraphic, public RecordedObject {
public:
    RefGraphic(RecordSheet sheet, OutputKind kind, ShapePtr shape)
        : sheet_(std::move(sheet)), kind_(kind), shape_(std::move(shape)) {}

    // Moves the shape and its record.
    void Transform(const host::DT4x4& matrix) override;

    const Creation& creation() const override { return sheet_.creation(); }
    OutputKind outputKind() const override { return kind_; }
    const ShapePtr& shape() const override { return shape_; }

private:
    RecordSheet sheet_;
    OutputKind kind_;
    ShapePtr shape_;
};

// An ordered collection numbered from 1; reading a position it lacks is a host error.
class TCV_EXPORT RefCollection : public host::ICollection, public RecordedObject {
public:
    RefCollection() { refresh(); }

    int Count() const override { return static_cast<int>(members_.size()); }
    host::ObjectPtr Item(int index) const override;
    void Add(const host::ObjectPtr& member) override;
    void Clear() override;

    const Creation& creation() const override { return creation_; }
    OutputKind outputKind() const override { return OutputKind::Other; }
    const ShapePtr& shape() const override { return noShape_; }

private:
    void refresh();

    std::vector<host::ObjectPtr> members_;
    Creation creation_;
    ShapePtr noShape_;
};

} // namespace tcv::refhost
