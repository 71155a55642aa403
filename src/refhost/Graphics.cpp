#include "refhost/Graphics.h"

#include <cmath>

#include <BRepBuilderAPI_GTransform.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <TopLoc_Location.hxx>
#include <gp_GTrsf.hxx>
#include <gp_Trsf.hxx>

#include "refhost/KernelGuard.h"
#include "refhost/Runtime.h"

namespace tcv::refhost {

TopoDS_Shape transformedShape(const TopoDS_Shape& shape, const AffineMap& map) {
    if (shape.IsNull()) return shape;
    return guarded("transform", [&] {
        const auto scale = map.similarityScale();
        const double det = map.determinant();
        if (scale && det > 0 && std::fabs(*scale - 1) < 1e-12) {
            gp_Trsf trsf;
            const auto &a = map.column[0], &b = map.column[1], &c = map.column[2];
            const auto& t = map.translation;
            trsf.SetValues(a.X(), b.X(), c.X(), t.X(), a.Y(), b.Y(), c.Y(), t.Y(), a.Z(), b.Z(), c.Z(), t.Z());
            return shape.Moved(TopLoc_Location(trsf));
        }
        gp_GTrsf gtrsf;
        for (int row = 1; row <= 3; ++row) {
            for (int col = 1; col <= 3; ++col) gtrsf.SetValue(row, col, map.column[col - 1].Coord(row));
            gtrsf.SetValue(row, 4, map.translation.Coord(row));
        }
        BRepBuilderAPI_GTransform maker(shape, gtrsf, Standard_True);
        if (!maker.IsDone()) refuse("transform", "the geometry kernel cannot transform the shape");
        return maker.Shape();
    });
}

void RefGraphic::Transform(const host::DT4x4& matrix) {
    const AffineMap map = AffineMap::from(matrix);
    shape_ = transformedShape(shape_, map);
    sheet_.transform(map);
}

host::ObjectPtr RefCollection::Item(int index) const {
    if (index < 1 || index > Count())
        throw host::HostError(host::kBadIndex, "the collection has no member " + std::to_string(index));
    return members_[static_cast<std::size_t>(index - 1)];
}

void RefCollection::Add(const host::ObjectPtr& member) {
    if (!member) throw host::HostError(host::kGenericFailure, "a collection takes no missing object");
    members_.push_back(member);
    refresh();
}

void RefCollection::Clear() {
    members_.clear();
    refresh();
}

void RefCollection::refresh() {
    creation_ = Creation{};
    creation_.kind = "collection";
    // Copied from an lvalue: moving a temporary of the variant makes GCC 12's optimiser warn falsely.
    const RecordValue count = static_cast<std::int64_t>(members_.size());
    creation_.values.emplace_back("count", count);
}

host::CollectionPtr makeCollection() { return std::make_shared<RefCollection>(); }

} // namespace tcv::refhost
