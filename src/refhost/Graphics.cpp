#include "tarncheckvalve/refhost/Graphics.h"
#include "Factories.h"

#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::refhost {

void RefGraphic::Transform(const host::DT4x4& matrix) {
    const AffineMap map = AffineMap::from(matrix);
    if (shape_) shape_ = shape_->transformed(map);
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
