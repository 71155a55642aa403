// The host's symbol services: the definition the symbol declares itself to, its inputs, default values,
// representations, outputs and evaluations, the output collection the symbol adds graphics to, and the
// services interface the symbol implements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::host {

// A default value or parameter content: "Type" and "uomValue" are the late-bound properties; the type,
// second flag and value are also settable directly.
class TCV_EXPORT IParameterContent : public virtual IObject {
public:
    virtual void setType(std::int32_t type) = 0;
    virtual void setUomValue(double value) = 0;
    virtual void setSecondFlag(std::int32_t flag) = 0;
    virtual std::int32_t type() const = 0;
    virtual std::int32_t secondFlag() const = 0;
    virtual double uomValue() const = 0;
};
using ParameterContentPtr = std::shared_ptr<IParameterContent>;

class TCV_EXPORT IInput : public virtual IObject {
public:
    virtual void setName(const std::string& name) = 0;
    virtual void setDescription(const std::string& description) = 0;
    virtual void setProperties(std::int32_t properties) = 0;
    // The input keeps a copy of the default value as it stands when assigned.
    virtual void setDefaultValue(const ParameterContentPtr& value) = 0;
};
using InputPtr = std::shared_ptr<IInput>;

class TCV_EXPORT IOutputDescription : public virtual IObject {
public:
    virtual void setName(const std::string& name) = 0;
    virtual void setDescription(const std::string& description) = 0;
    virtual void setFlags(std::int32_t flags) = 0;
};
using OutputDescriptionPtr = std::shared_ptr<IOutputDescription>;

class TCV_EXPORT IRepresentation : public virtual IObject {
public:
    virtual void setName(const std::string& name) = 0;
    virtual void setDescription(const std::string& description) = 0;
    virtual void setFlags(std::int32_t flags) = 0;
    virtual void setIdentifier(std::int32_t identifier) = 0;
    // Adds a copy of the output description as it stands now.
    virtual void addOutput(const OutputDescriptionPtr& output) = 0;
};
using RepresentationPtr = std::shared_ptr<IRepresentation>;

class TCV_EXPORT IEvaluation : public virtual IObject {
public:
    virtual void setName(const std::string& name) = 0;
    virtual void setDescription(const std::string& description) = 0;
    virtual void setFlags(std::int32_t flags) = 0;
    virtual void setKind(std::int32_t kind) = 0;
    virtual void setProgId(const std::string& progId) = 0;
};
using EvaluationPtr = std::shared_ptr<IEvaluation>;

class TCV_EXPORT ISymbolDefinition : public virtual IObject {
public:
    virtual void setProgId(const std::string& progId) = 0;
    virtual void setCodeBase(const std::string& codeBase) = 0;
    virtual void setName(const std::string& name) = 0;
    virtual std::string name() const = 0;

    virtual void clearInputs() = 0;
    virtual void addInput(const InputPtr& input, std::int16_t position) = 0;
    virtual void clearRepresentations() = 0;
    virtual void addRepresentation(const RepresentationPtr& representation) = 0;
    virtual void clearEvaluations() = 0;
    virtual void addEvaluation(const EvaluationPtr& evaluation) = 0;

    virtual void setOptions(std::int32_t options) = 0;
};
using SymbolDefinitionPtr = std::shared_ptr<ISymbolDefinition>;

// The symbol-entities factory: "CreateEntity" makes a new definition.
class TCV_EXPORT ISymbolEntitiesFactory : public virtual IObject {
public:
    virtual ObjectPtr createEntity(std::int32_t kind, const ObjectPtr& connection) = 0;
};
using SymbolEntitiesFactoryPtr = std::shared_ptr<ISymbolEntitiesFactory>;

// The auxiliary definition object of the symbol-entities library: one operation.
class TCV_EXPORT IDefinitionAuxiliary : public virtual IObject {
public:
    virtual void initialize(const SymbolDefinitionPtr& definition, std::int32_t value) = 0;
};
using DefinitionAuxiliaryPtr = std::shared_ptr<IDefinitionAuxiliary>;

// The store that owns persistent geometry; handed to the geometry factory for persistent creations.
class TCV_EXPORT IResourceManager : public virtual IObject {};
using ResourceManagerPtr = std::shared_ptr<IResourceManager>;

// The collection a representation adds its graphics and nozzles to.
class TCV_EXPORT IOutputCollection : public virtual IObject {
public:
    virtual void AddOutput(const std::string& name, const ObjectPtr& object) = 0;
    virtual ResourceManagerPtr ResourceManager() const = 0;
};
using OutputCollectionPtr = std::shared_ptr<IOutputCollection>;

// What a symbol implements for the host.
class TCV_EXPORT IZDUserSymbolServices {
public:
    virtual ~IZDUserSymbolServices() = default;
    virtual ObjectPtr InstanciateDefinition(const std::string& codeBase, const Variant& defParameters,
                                            const ObjectPtr& activeConnection) = 0;
    virtual std::string GetDefinitionName(const Variant& definitionParameters) = 0;
    virtual void InitializeSymbolDefinition(const ObjectPtr& symbolDefinition) = 0;
    virtual void InvokeRepresentation(const ObjectPtr& sblOcc, const std::string& repName, const ObjectPtr& outputColl,
                                      const VariantArray& arrayofinputs) = 0;
    virtual bool EditOccurence(const ObjectPtr& symbolOccurence, const ObjectPtr& transactionMgr) = 0;
};

} // namespace tcv::host
