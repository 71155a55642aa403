#include "ValveOperator.h"

#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/Text.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/host/Diagnostics.h"
#include "tarncheckvalve/host/Runtime.h"

namespace tcv::variants {

using namespace tcv::base;

namespace {

// The operator part by the piping-component code: 5 takes the valve-operator part, 10 the first
// member of the operator collection (handed the index 1 and the part's text), any other code none.
host::ObjectPtr operatorPartByCode(const host::PipingComponentPtr& component) {
    switch (component->OperatorSourceCode()) {
    case 5:
        return component->ValveOperatorPart();
    case 10: {
        auto collection = component->OperatorCollection();
        if (!collection || collection->Count() < 1) return nullptr;
        auto member = collection->Item(1);
        if (auto source = host::queryInterface<host::IOperatorSource>(member))
            source->SetIndexAndText(1, component->OperatorText());
        return member;
    }
    default:
        return nullptr;
    }
}

} // namespace

// The operator's edit argument, and its attribute with the matching symbol argument set to a value.
host::EditArgumentPtr GetIZDEditZDArgument(const host::ObjectPtr& operatorOccurrence);
void UpdateOperatorAttributes(const host::ObjectPtr& operatorOccurrence, const std::string& interfaceName,
                              const std::string& attributeName, const host::Variant& value,
                              const host::EditArgumentPtr& editArgument);
void UpdateSymbolArgument(double value, std::int16_t position, const host::EditArgumentPtr& editArgument);

bool PlaceValveOperator(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                        const OperatorPlacement& placement) {
    auto& rt = host::runtime();
    auto service = rt.CreateChildOccurrenceService();
    service->SetOutputCollection(outputColl);
    host::DVector firstAxis, secondAxis, thirdAxis;
    auto component = host::queryInterface<host::IPipingComponent>(readPart(arrayofinputs));

    host::ObjectPtr operatorOccurrence;
    try {
        // The host reports an absent operator with its own code: that ends the caller normally.
        if (!component) return true;
        host::ObjectPtr operatorPart = placement.source == OperatorPlacement::Source::ValveOperatorPart
                                           ? component->ValveOperatorPart()
                                           : operatorPartByCode(component);
        if (!operatorPart) return true;

        host::DPosition position;
        if (placement.placed) {
            position = placement.position;
            firstAxis = placement.firstAxis;
            secondAxis = placement.secondAxis;
            thirdAxis = placement.thirdAxis;
        }
        operatorOccurrence =
            service->CreateChildOccurrence("ValveOperator", operatorPart, position, firstAxis, secondAxis, thirdAxis);
        if (!placement.offsetFrmValCen) return true;
        auto editArgument = GetIZDEditZDArgument(operatorOccurrence);

        // From here on a failed update leaves the operator where it was placed.
        try {
            UpdateOperatorAttributes(operatorOccurrence, "IZUAOffsetFrmValCen", "OffsetFrmValCen",
                                     *placement.offsetFrmValCen, editArgument);
        } catch (...) {
            host::noteRecoveredFailure("UpdateOperatorAttributes");
        }
        try {
            if (auto update = host::queryInterface<host::IOccurrenceUpdate>(operatorOccurrence))
                update->Update();
            else
                throw host::HostError(host::kTypeMismatch, "the operator occurrence cannot update");
        } catch (...) {
            host::noteRecoveredFailure("Update");
        }
        return true;
    } catch (const host::HostError& error) {
        if (error.code() == host::kOperatorAbsent) {
            host::noteRecoveredFailure("PlaceValveOperator");
            return false;
        }
        throw;
    }
}

host::EditArgumentPtr GetIZDEditZDArgument(const host::ObjectPtr& operatorOccurrence) {
    return withErrorReport("Physical:", "GetIZDEditZDArgument", [&] {
        auto occurrence = host::queryInterface<host::ISymbolOccurrence>(operatorOccurrence);
        if (!occurrence) throw host::HostError(host::kTypeMismatch, "the operator is not a symbol occurrence");
        auto container = occurrence->ArgumentContainer();
        if (!container) throw host::HostError(host::kTypeMismatch, "the operator has no argument container");
        auto editArgument = host::queryInterface<host::IEditArgument>(container->Member(3));
        if (!editArgument) throw host::HostError(host::kTypeMismatch, "the operator has no edit argument");
        return editArgument;
    });
}

void UpdateOperatorAttributes(const host::ObjectPtr& operatorOccurrence, const std::string& interfaceName,
                              const std::string& attributeName, const host::Variant& value,
                              const host::EditArgumentPtr& editArgument) {
    withErrorReport("Physical:", "UpdateOperatorAttributes", [&] {
        auto occurrence = host::queryInterface<host::ISymbolOccurrence>(operatorOccurrence);
        if (!occurrence) throw host::HostError(host::kTypeMismatch, "the operator is not a symbol occurrence");
        auto inputs = occurrence->Inputs(1);
        const std::int16_t count = inputs->Count();
        std::int16_t position = 0;
        bool matched = false;
        for (std::int16_t i = 1; i <= count; ++i) {
            auto entry = inputs->Item(i);
            if (equalsIgnoringCase(entry->Name(), attributeName)) {
                position = entry->Position();
                matched = true;
                break;
            }
        }
        if (!matched || position == 0) return;
        auto owner = host::queryInterface<host::IAttributeOwner>(operatorOccurrence);
        if (!owner) throw host::HostError(host::kTypeMismatch, "the operator has no attributes");
        owner->AttributeSet(interfaceName)->Attribute(attributeName)->SetValue(value);
        UpdateSymbolArgument(host::toDouble(value), position, editArgument);
    });
}

void UpdateSymbolArgument(double value, std::int16_t position, const host::EditArgumentPtr& editArgument) {
    withErrorReport("Physical:", "UpdateSymbolArgument", [&] {
        auto& rt = host::runtime();
        auto content = rt.CreateParameterContent();
        content->setType(2);
        content->setSecondFlag(0);
        content->setUomValue(value);
        auto argument = rt.CreateArgument();
        argument->SetPosition(position);
        argument->SetContent(content);
        if (!editArgument) throw host::HostError(host::kTypeMismatch, "no edit argument");
        editArgument->SetArgument(argument);
    });
}

} // namespace tcv::variants
