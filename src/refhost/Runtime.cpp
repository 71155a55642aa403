#include "refhost/Runtime.h"

#include "refhost/SymbolEntities.h"

namespace tcv::refhost {

std::string defaultDataDirectory() { return TCV_DATA_DIR; }

namespace {
KernelPtr& defaultKernel() {
    static KernelPtr kernel;
    return kernel;
}
} // namespace

void setDefaultKernel(KernelPtr kernel) { defaultKernel() = std::move(kernel); }

HostOptions RefRuntime::defaultOptions() {
    HostOptions options;
    options.kernel = defaultKernel();
    options.dataDirectory = defaultDataDirectory();
    return options;
}

RefRuntime::RefRuntime(HostOptions options) : options_(std::move(options)) {}

host::SymbolEntitiesFactoryPtr RefRuntime::CreateSymbolEntitiesFactory() {
    return std::make_shared<RefSymbolEntitiesFactory>();
}
host::DefinitionAuxiliaryPtr RefRuntime::CreateDefinitionAuxiliary() {
    return std::make_shared<RefDefinitionAuxiliary>();
}
host::ParameterContentPtr RefRuntime::CreateParameterContent() { return std::make_shared<RefParameterContent>(); }
host::InputPtr RefRuntime::CreateInput() { return std::make_shared<RefInput>(); }
host::RepresentationPtr RefRuntime::CreateRepresentation() { return std::make_shared<RefRepresentation>(); }
host::OutputDescriptionPtr RefRuntime::CreateOutputDescription() { return std::make_shared<RefOutputDescription>(); }
host::EvaluationPtr RefRuntime::CreateEvaluation() { return std::make_shared<RefEvaluation>(); }

host::GeometryFactoryPtr RefRuntime::CreateGeometryFactory() { return makeGeometryFactory(options_); }
host::SymbolFactoryPtr RefRuntime::CreateSymbolFactory() { return makeSymbolFactory(options_); }
host::CollectionPtr RefRuntime::CreateCollection() { return makeCollection(); }

host::NozzleFactoryPtr RefRuntime::CreateNozzleFactory() { return makeNozzleFactory(options_); }
host::SymbolUtilitiesPtr RefRuntime::CreateSymbolUtilities() {
    if (!options_.offerSymbolUtilities)
        throw host::HostError(host::kGenericFailure, "SymbolUtilities.SyUtilities is not offered by this host");
    return makeSymbolUtilities(options_);
}
host::ContextPtr RefRuntime::CreateContext() { return makeContext(options_); }
host::UnitsServicePtr RefRuntime::CreateUnitsService() { return makeUnitsService(); }

host::ChildOccurrenceServicePtr RefRuntime::CreateChildOccurrenceService() {
    return makeChildOccurrenceService(options_);
}
host::ArgumentPtr RefRuntime::CreateArgument() { return makeArgument(); }

} // namespace tcv::refhost
