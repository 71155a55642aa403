#include "tarncheckvalve/refhost/Parts.h"

#include <limits>

namespace tcv::refhost {

namespace {

// A plain ordered collection numbered from 1.
class MemberCollection : public host::ICollection {
public:
    int Count() const override { return static_cast<int>(members_.size()); }
    host::ObjectPtr Item(int index) const override {
        if (index < 1 || index > Count())
            throw host::HostError(host::kBadIndex, "the collection has no member " + std::to_string(index));
        return members_[static_cast<std::size_t>(index - 1)];
    }
    void Add(const host::ObjectPtr& member) override { members_.push_back(member); }
    void Clear() override { members_.clear(); }

private:
    std::vector<host::ObjectPtr> members_;
};

} // namespace

host::PipePortPtr RefPortCollection::Item(std::int16_t position) const {
    if (position < 1 || position > Count())
        throw host::HostError(host::kBadIndex, "the part has no port at position " + std::to_string(position));
    return ports_[static_cast<std::size_t>(position - 1)];
}

void RefOperatorSource::SetIndexAndText(std::int16_t index, const std::string& text) {
    index_ = index;
    text_ = text;
}

RefPart::RefPart(CatalogPart partSpec) : spec_(std::move(partSpec)) {
    if (spec_.ports.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
        throw host::HostError(host::kGenericFailure, "part '" + spec_.name + "' has more ports than a host can count");
    std::vector<host::PipePortPtr> ports;
    for (const auto& port : spec_.ports) ports.push_back(std::make_shared<RefPipePort>(port));
    ports_ = std::make_shared<RefPortCollection>(std::move(ports));

    auto operators = std::make_shared<MemberCollection>();
    if (spec_.valveOperator) {
        operatorPart_ = std::make_shared<RefOperatorPart>(*spec_.valveOperator);
        operatorSource_ = std::make_shared<RefOperatorSource>(operatorPart_);
        operators->Add(operatorSource_);
    }
    operatorCollection_ = operators;
}

host::CollectionPtr RefPart::OperatorCollection() const { return operatorCollection_; }

std::shared_ptr<RefPart> makePart(const CatalogPart& partSpec) { return std::make_shared<RefPart>(partSpec); }

} // namespace tcv::refhost
