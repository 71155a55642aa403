// The host's child-occurrence services, used to place a valve operator and keep its attribute in step.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tarncheckvalve/host/Math.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::host {

// An argument object: position and content.
class TCV_EXPORT IArgument : public virtual IObject {
public:
    virtual void SetPosition(std::int16_t position) = 0;
    virtual void SetContent(const ParameterContentPtr& content) = 0;
};
using ArgumentPtr = std::shared_ptr<IArgument>;

// The edit argument of an occurrence (its argument container's member of kind 3).
class TCV_EXPORT IEditArgument : public virtual IObject {
public:
    virtual void SetArgument(const ArgumentPtr& argument, const Variant& optional = {}) = 0;
};
using EditArgumentPtr = std::shared_ptr<IEditArgument>;

// One input of an occurrence's symbol: name and position.
class TCV_EXPORT IOccurrenceInput : public virtual IObject {
public:
    virtual std::string Name() const = 0;
    virtual std::int16_t Position() const = 0;
};

// The occurrence's input collection (its argument container's member of kind 1).
class TCV_EXPORT IOccurrenceInputs : public virtual IObject {
public:
    virtual std::int16_t Count() const = 0;
    virtual std::shared_ptr<IOccurrenceInput> Item(std::int16_t index) const = 0;
};

class TCV_EXPORT IArgumentContainer : public virtual IObject {
public:
    virtual ObjectPtr Member(std::int32_t kind) const = 0;
};

// The symbol-occurrence interface of an occurrence.
class TCV_EXPORT ISymbolOccurrence : public virtual IObject {
public:
    virtual std::shared_ptr<IArgumentContainer> ArgumentContainer() const = 0;
    virtual std::shared_ptr<IOccurrenceInputs> Inputs(std::int32_t kind) const = 0;
};

class TCV_EXPORT IAttribute : public virtual IObject {
public:
    virtual void SetValue(const Variant& value) = 0;
    virtual Variant Value() const = 0;
};

class TCV_EXPORT IAttributeSet : public virtual IObject {
public:
    virtual std::shared_ptr<IAttribute> Attribute(const std::string& name) const = 0;
};

// The attribute interface of an occurrence.
class TCV_EXPORT IAttributeOwner : public virtual IObject {
public:
    virtual std::shared_ptr<IAttributeSet> AttributeSet(const std::string& interfaceName) const = 0;
};

// The second interface of an operator occurrence: one argument-less call, made after an update.
class TCV_EXPORT IOccurrenceUpdate : public virtual IObject {
public:
    virtual void Update() = 0;
};

// The child-occurrence service; it is handed the output collection first.
class TCV_EXPORT IChildOccurrenceService : public virtual IObject {
public:
    virtual void SetOutputCollection(const OutputCollectionPtr& outputColl) = 0;
    virtual ObjectPtr CreateChildOccurrence(const std::string& name, const ObjectPtr& part, const DPosition& position,
                                            const DVector& firstAxis, const DVector& secondAxis,
                                            const DVector& thirdAxis) = 0;
};
using ChildOccurrenceServicePtr = std::shared_ptr<IChildOccurrenceService>;

} // namespace tcv::host
