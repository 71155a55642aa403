#include "tarncheckvalve/refhost/Occurrences.h"
#include "Factories.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "tarncheckvalve/refhost/GeometryKernel.h"
#include "tarncheckvalve/refhost/OutputCollection.h"
#include "tarncheckvalve/refhost/SymbolEntities.h"

namespace tcv::refhost {

namespace {

constexpr const char* kAttributeSetName = "IZUAOffsetFrmValCen";
constexpr const char* kOffsetAttribute = "OffsetFrmValCen";
// The operator symbol's drawing: the handwheel's diameter when the operator part gives none, and the
// stem's diameter and the rim's thickness in proportion to the handwheel, so that the picture of a valve
// drawn at another scale is the same picture.
constexpr double kDefaultHandwheelDiameter = 0.2;
constexpr double kHandwheelPerStemDiameter = 10;
constexpr double kHandwheelPerRim = 25;

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

class RefOccurrenceInput : public host::IOccurrenceInput {
public:
    RefOccurrenceInput(std::string name, std::int16_t position) : name_(std::move(name)), position_(position) {}
    std::string Name() const override { return name_; }
    std::int16_t Position() const override { return position_; }

private:
    std::string name_;
    std::int16_t position_;
};

// The operator symbol's inputs: its part's inputs in order, at positions 2, 3, ...
class RefOccurrenceInputs : public host::IOccurrenceInputs {
public:
    explicit RefOccurrenceInputs(const OperatorSpec& partSpec) {
        std::int16_t position = 2;
        for (const auto& [name, value] : partSpec.inputs)
            inputs_.push_back(std::make_shared<RefOccurrenceInput>(name, position++));
    }
    std::int16_t Count() const override { return static_cast<std::int16_t>(inputs_.size()); }
    std::shared_ptr<host::IOccurrenceInput> Item(std::int16_t index) const override {
        if (index < 1 || index > Count())
            throw host::HostError(host::kBadIndex, "operator input " + std::to_string(index) + " does not exist");
        return inputs_[static_cast<std::size_t>(index - 1)];
    }

private:
    std::vector<std::shared_ptr<RefOccurrenceInput>> inputs_;
};

class RefAttribute : public host::IAttribute {
public:
    RefAttribute(std::shared_ptr<RefOperatorOccurrence> owner, std::string name)
        : owner_(std::move(owner)), name_(std::move(name)) {}
    void SetValue(const host::Variant& value) override { owner_->setAttribute(name_, host::toDouble(value)); }
    host::Variant Value() const override { return owner_->attributes().at(name_); }

private:
    std::shared_ptr<RefOperatorOccurrence> owner_;
    std::string name_;
};

class RefAttributeSet : public host::IAttributeSet {
public:
    explicit RefAttributeSet(std::shared_ptr<RefOperatorOccurrence> owner) : owner_(std::move(owner)) {}
    std::shared_ptr<host::IAttribute> Attribute(const std::string& name) const override {
        if (!owner_->attributes().count(name))
            throw host::HostError(host::kGenericFailure, "the operator has no attribute '" + name + "'");
        return std::make_shared<RefAttribute>(owner_, name);
    }

private:
    std::shared_ptr<RefOperatorOccurrence> owner_;
};

class RefArgument : public host::IArgument {
public:
    void SetPosition(std::int16_t position) override { position_ = position; }
    void SetContent(const host::ParameterContentPtr& content) override { content_ = content; }
    std::int16_t position() const { return position_; }
    const host::ParameterContentPtr& content() const { return content_; }

private:
    std::int16_t position_ = 0;
    host::ParameterContentPtr content_;
};

class RefEditArgument : public host::IEditArgument {
public:
    explicit RefEditArgument(std::shared_ptr<RefOperatorOccurrence> owner) : owner_(std::move(owner)) {}
    void SetArgument(const host::ArgumentPtr& argument, const host::Variant& /*optional*/) override {
        auto ours = std::dynamic_pointer_cast<RefArgument>(argument);
        if (!ours || !ours->content()) throw host::HostError(host::kTypeMismatch, "the argument has no content");
        owner_->setArgument(ours->position(), ours->content()->uomValue());
    }

private:
    std::shared_ptr<RefOperatorOccurrence> owner_;
};

class RefArgumentContainer : public host::IArgumentContainer {
public:
    explicit RefArgumentContainer(std::shared_ptr<RefOperatorOccurrence> owner) : owner_(std::move(owner)) {}
    // Kind 3 is the edit argument.
    host::ObjectPtr Member(std::int32_t kind) const override {
        if (kind != 3) throw host::HostError(host::kGenericFailure, "no argument of kind " + std::to_string(kind));
        return std::make_shared<RefEditArgument>(owner_);
    }

private:
    std::shared_ptr<RefOperatorOccurrence> owner_;
};

class RefChildOccurrenceService : public host::IChildOccurrenceService {
public:
    explicit RefChildOccurrenceService(KernelPtr kernel) : kernel_(std::move(kernel)) {}

    void SetOutputCollection(const host::OutputCollectionPtr& outputColl) override { outputColl_ = outputColl; }

    host::ObjectPtr CreateChildOccurrence(const std::string& name, const host::ObjectPtr& part,
                                          const host::DPosition& position, const host::DVector& firstAxis,
                                          const host::DVector& secondAxis, const host::DVector& thirdAxis) override {
        if (!outputColl_)
            throw host::HostError(host::kGenericFailure, "the child-occurrence service has no output collection");
        auto operatorPart = std::dynamic_pointer_cast<RefOperatorPart>(part);
        if (!operatorPart)
            if (auto source = std::dynamic_pointer_cast<host::IOperatorSource>(part))
                operatorPart = std::dynamic_pointer_cast<RefOperatorPart>(source->OperatorPart());
        if (!operatorPart)
            throw host::HostError(host::kTypeMismatch, "'" + name + "' is not made from an operator part");
        if (operatorPart->partSpec().symbolMissing)
            throw host::HostError(host::kOperatorAbsent,
                                  "the symbol of operator '" + operatorPart->partSpec().name + "' is missing");
        auto occurrence = std::make_shared<RefOperatorOccurrence>(name, operatorPart->partSpec(), position, firstAxis,
                                                                  secondAxis, thirdAxis, kernel_);
        outputColl_->AddOutput(name, occurrence);
        return occurrence;
    }

private:
    KernelPtr kernel_;
    host::OutputCollectionPtr outputColl_;
};

} // namespace

RefOperatorOccurrence::RefOperatorOccurrence(std::string name, OperatorSpec partSpec, const host::DPosition& position,
                                             const host::DVector& firstAxis, const host::DVector& secondAxis,
                                             const host::DVector& thirdAxis, KernelPtr kernel)
    : name_(std::move(name)), spec_(std::move(partSpec)), position_(position), firstAxis_(firstAxis),
      secondAxis_(secondAxis), thirdAxis_(thirdAxis), kernel_(std::move(kernel)) {
    double offset = 0;
    for (const auto& [input, value] : spec_.inputs)
        if (equalsIgnoringCase(input, kOffsetAttribute)) offset = value;
    attributes_[kOffsetAttribute] = offset;
}

std::shared_ptr<host::IArgumentContainer> RefOperatorOccurrence::ArgumentContainer() const {
    return std::make_shared<RefArgumentContainer>(std::const_pointer_cast<RefOperatorOccurrence>(shared_from_this()));
}

std::shared_ptr<host::IOccurrenceInputs> RefOperatorOccurrence::Inputs(std::int32_t kind) const {
    if (kind != 1) throw host::HostError(host::kGenericFailure, "no input collection of kind " + std::to_string(kind));
    return std::make_shared<RefOccurrenceInputs>(spec_);
}

std::shared_ptr<host::IAttributeSet> RefOperatorOccurrence::AttributeSet(const std::string& interfaceName) const {
    if (interfaceName != kAttributeSetName)
        throw host::HostError(host::kGenericFailure, "the operator has no attribute set '" + interfaceName + "'");
    return std::make_shared<RefAttributeSet>(std::const_pointer_cast<RefOperatorOccurrence>(shared_from_this()));
}

void RefOperatorOccurrence::setAttribute(const std::string& name, double value) {
    attributes_[name] = value;
    shapeBuilt_ = false;
}

void RefOperatorOccurrence::setArgument(std::int16_t position, double value) {
    if (position < 2 || position > static_cast<int>(spec_.inputs.size()) + 1)
        throw host::HostError(host::kBadIndex, "the operator has no input at position " + std::to_string(position));
    arguments_[position] = value;
    spec_.inputs[static_cast<std::size_t>(position - 2)].second = value;
    shapeBuilt_ = false;
}

const Creation& RefOperatorOccurrence::creation() const {
    creation_ = Creation{"occurrence", {}};
    creation_.add("name", name_).add("operator", spec_.name).add("position", position_);
    creation_.add("firstAxis", firstAxis_).add("secondAxis", secondAxis_).add("thirdAxis", thirdAxis_);
    for (const auto& [attribute, value] : attributes_) creation_.add("attribute." + attribute, value);
    for (const auto& [position, value] : arguments_) creation_.add("argument." + std::to_string(position), value);
    creation_.add("updates", static_cast<std::int64_t>(updates_));
    return creation_;
}

const ShapePtr& RefOperatorOccurrence::shape() const {
    if (shapeBuilt_ || !kernel_) return shape_;
    shapeBuilt_ = true;
    shape_.reset();
    const double height = attributes_.at(kOffsetAttribute);
    double handwheelDiameter = kDefaultHandwheelDiameter;
    for (const auto& [input, value] : spec_.inputs)
        if (equalsIgnoringCase(input, "HandwheelDiameter") && value > 0) handwheelDiameter = value;
    const double rim = handwheelDiameter / kHandwheelPerRim;
    try {
        // An operator whose axes were never set is drawn upright at its position.
        Vec3 up(0, 1, 0);
        if (secondAxis_.length() > 1e-9) up = Vec3(secondAxis_.x(), secondAxis_.y(), secondAxis_.z());
        const double stem = std::isfinite(height) && height > 1e-6 ? height : 0.0;
        ShapePtr picture = kernel_->operatorPicture(Vec3(position_.x(), position_.y(), position_.z()), up,
                                                    handwheelDiameter / kHandwheelPerStemDiameter / 2, stem,
                                                    handwheelDiameter / 2 - rim, rim);
        // A picture the kernel cannot make valid (an operator placed or sized beyond reason) is left out.
        if (picture->valid(true)) shape_ = picture;
    } catch (const host::HostError&) {
        // The operator's picture is the host's own decoration; without it the occurrence stays valid.
    }
    return shape_;
}

host::ChildOccurrenceServicePtr makeChildOccurrenceService(const HostOptions& options) {
    return std::make_shared<RefChildOccurrenceService>(options.kernel);
}

host::ArgumentPtr makeArgument() { return std::make_shared<RefArgument>(); }

} // namespace tcv::refhost
