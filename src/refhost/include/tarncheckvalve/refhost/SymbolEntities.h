// The reference host's symbol-entities library: the definition and what it is made of. Everything the
// symbol declares is stored so that it can be read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::refhost {

class TCV_EXPORT RefParameterContent : public host::IParameterContent {
public:
    void setType(std::int32_t type) override { type_ = type; }
    void setUomValue(double value) override { value_ = value; }
    void setSecondFlag(std::int32_t flag) override { secondFlag_ = flag; }
    std::int32_t type() const override { return type_; }
    std::int32_t secondFlag() const override { return secondFlag_; }
    double uomValue() const override { return value_; }

private:
    std::int32_t type_ = 0;
    std::int32_t secondFlag_ = 0;
    double value_ = 0;
};

struct DeclaredInput {
    std::int16_t position = 0;
    std::string name;
    std::string description;
    std::int32_t properties = 0;
    double defaultValue = 0;
    std::int32_t defaultType = 0;
};

struct DeclaredOutput {
    std::string name;
    std::string description;
    std::int32_t flags = 0;
};

struct DeclaredRepresentation {
    std::string name;
    std::string description;
    std::int32_t flags = 0;
    std::int32_t identifier = 0;
    std::vector<DeclaredOutput> outputs;
};

struct DeclaredEvaluation {
    std::string name;
    std::string description;
    std::int32_t flags = 0;
    std::int32_t kind = 0;
    std::string progId;
};

class TCV_EXPORT RefInput : public host::IInput {
public:
    void setName(const std::string& name) override { value.name = name; }
    void setDescription(const std::string& description) override { value.description = description; }
    void setProperties(std::int32_t properties) override { value.properties = properties; }
    void setDefaultValue(const host::ParameterContentPtr& content) override;
    DeclaredInput value;
};

class TCV_EXPORT RefOutputDescription : public host::IOutputDescription {
public:
    void setName(const std::string& name) override { value.name = name; }
    void setDescription(const std::string& description) override { value.description = description; }
    void setFlags(std::int32_t flags) override { value.flags = flags; }
    DeclaredOutput value;
};

class TCV_EXPORT RefRepresentation : public host::IRepresentation {
public:
    void setName(const std::string& name) override { value.name = name; }
    void setDescription(const std::string& description) override { value.description = description; }
    void setFlags(std::int32_t flags) override { value.flags = flags; }
    void setIdentifier(std::int32_t identifier) override { value.identifier = identifier; }
    void addOutput(const host::OutputDescriptionPtr& output) override;
    DeclaredRepresentation value;
};

class TCV_EXPORT RefEvaluation : public host::IEvaluation {
public:
    void setName(const std::string& name) override { value.name = name; }
    void setDescription(const std::string& description) override { value.description = description; }
    void setFlags(std::int32_t flags) override { value.flags = flags; }
    void setKind(std::int32_t kind) override { value.kind = kind; }
    void setProgId(const std::string& progId) override { value.progId = progId; }
    DeclaredEvaluation value;
};

// A definition as the symbol declared it.
class TCV_EXPORT RefSymbolDefinition : public host::ISymbolDefinition {
public:
    void setProgId(const std::string& progId) override { progId_ = progId; }
    void setCodeBase(const std::string& codeBase) override { codeBase_ = codeBase; }
    void setName(const std::string& name) override { name_ = name; }
    std::string name() const override { return name_; }

    void clearInputs() override { inputs_.clear(); }
    void addInput(const host::InputPtr& input, std::int16_t position) override;
    void clearRepresentations() override { representations_.clear(); }
    void addRepresentation(const host::RepresentationPtr& representation) override;
    void clearEvaluations() override { evaluations_.clear(); }
    void addEvaluation(const host::EvaluationPtr& evaluation) override;
    void setOptions(std::int32_t options) override { options_ = options; }

    const std::string& progId() const { return progId_; }
    const std::string& codeBase() const { return codeBase_; }
    std::int32_t options() const { return options_; }
    // Inputs in the order added.
    const std::vector<DeclaredInput>& inputs() const { return inputs_; }
    const std::vector<DeclaredRepresentation>& representations() const { return representations_; }
    const std::vector<DeclaredEvaluation>& evaluations() const { return evaluations_; }
    int auxiliaryCalls = 0;

private:
    std::string progId_, codeBase_, name_ = "CheckValveDefinition";
    std::int32_t options_ = 0;
    std::vector<DeclaredInput> inputs_;
    std::vector<DeclaredRepresentation> representations_;
    std::vector<DeclaredEvaluation> evaluations_;
};

class TCV_EXPORT RefSymbolEntitiesFactory : public host::ISymbolEntitiesFactory {
public:
    // Kind 1 is a symbol definition; any other kind is refused.
    host::ObjectPtr createEntity(std::int32_t kind, const host::ObjectPtr& connection) override;
};

class TCV_EXPORT RefDefinitionAuxiliary : public host::IDefinitionAuxiliary {
public:
    void initialize(const host::SymbolDefinitionPtr& definition, std::int32_t value) override;
};

} // namespace tcv::refhost
