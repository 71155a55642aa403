// The runtime through which the symbol creates host objects. The host installs it, per thread, when it
// loads the symbol; every creation the symbol makes "by name" goes through it.
#pragma once

#include <memory>

#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Occurrence.h"
#include "tarncheckvalve/host/Piping.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::host {

class TCV_EXPORT IRuntime {
public:
    virtual ~IRuntime() = default;

    // Symbol-entities library.
    virtual SymbolEntitiesFactoryPtr CreateSymbolEntitiesFactory() = 0;
    virtual DefinitionAuxiliaryPtr CreateDefinitionAuxiliary() = 0;
    virtual ParameterContentPtr CreateParameterContent() = 0;
    virtual InputPtr CreateInput() = 0;
    virtual RepresentationPtr CreateRepresentation() = 0;
    virtual OutputDescriptionPtr CreateOutputDescription() = 0;
    virtual EvaluationPtr CreateEvaluation() = 0;

    // Geometry.
    virtual GeometryFactoryPtr CreateGeometryFactory() = 0;
    virtual SymbolFactoryPtr CreateSymbolFactory() = 0;
    virtual CollectionPtr CreateCollection() = 0;

    // Piping. The graphics utility may be absent: then this returns nullptr or raises a HostError.
    virtual NozzleFactoryPtr CreateNozzleFactory() = 0;
    virtual SymbolUtilitiesPtr CreateSymbolUtilities() = 0;
    virtual ContextPtr CreateContext() = 0;
    virtual UnitsServicePtr CreateUnitsService() = 0;

    // Child occurrences.
    virtual ChildOccurrenceServicePtr CreateChildOccurrenceService() = 0;
    virtual ArgumentPtr CreateArgument() = 0;
};
using RuntimePtr = std::shared_ptr<IRuntime>;

// Installs the runtime for the calling thread (nullptr removes it).
TCV_EXPORT void installRuntime(RuntimePtr runtime);
// The calling thread's runtime; raises a HostError when none is installed.
TCV_EXPORT IRuntime& runtime();

// Installs a runtime for the lifetime of the scope and restores the previous one afterwards.
class TCV_EXPORT RuntimeScope {
public:
    explicit RuntimeScope(RuntimePtr runtime);
    ~RuntimeScope();
    RuntimeScope(const RuntimeScope&) = delete;
    RuntimeScope& operator=(const RuntimeScope&) = delete;

private:
    RuntimePtr previous_;
};

} // namespace tcv::host
