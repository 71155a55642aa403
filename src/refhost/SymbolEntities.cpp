#include "tarncheckvalve/refhost/SymbolEntities.h"

#include <memory>

#include "tarncheckvalve/host/Value.h"

namespace tcv::refhost {

namespace {
template <class T>
std::shared_ptr<T> own(const host::ObjectPtr& object, const char* what) {
    auto typed = std::dynamic_pointer_cast<T>(object);
    if (!typed) throw host::HostError(host::kTypeMismatch, std::string(what) + " was not made by this host");
    return typed;
}
} // namespace

void RefInput::setDefaultValue(const host::ParameterContentPtr& content) {
    if (!content) throw host::HostError(host::kTypeMismatch, "an input's default value must be an object");
    value.defaultValue = content->uomValue();
    value.defaultType = content->type();
}

void RefRepresentation::addOutput(const host::OutputDescriptionPtr& output) {
    value.outputs.push_back(own<RefOutputDescription>(output, "the output")->value);
}

void RefSymbolDefinition::addInput(const host::InputPtr& input, std::int16_t position) {
    DeclaredInput declared = own<RefInput>(input, "the input")->value;
    declared.position = position;
    inputs_.push_back(declared);
}

void RefSymbolDefinition::addRepresentation(const host::RepresentationPtr& representation) {
    representations_.push_back(own<RefRepresentation>(representation, "the representation")->value);
}

void RefSymbolDefinition::addEvaluation(const host::EvaluationPtr& evaluation) {
    evaluations_.push_back(own<RefEvaluation>(evaluation, "the evaluation")->value);
}

host::ObjectPtr RefSymbolEntitiesFactory::createEntity(std::int32_t kind, const host::ObjectPtr& /*connection*/) {
    if (kind != 1) throw host::HostError(host::kGenericFailure, "unknown entity kind " + std::to_string(kind));
    return std::make_shared<RefSymbolDefinition>();
}

void RefDefinitionAuxiliary::initialize(const host::SymbolDefinitionPtr& definition, std::int32_t /*value*/) {
    own<RefSymbolDefinition>(definition, "the definition")->auxiliaryCalls++;
}

} // namespace tcv::refhost
