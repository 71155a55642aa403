// The reference host's runtime: creates every host object the symbol asks for. One runtime serves one
// thread at a time; install it with host::RuntimeScope on the thread that evaluates.
#pragma once

#include <memory>
#include <string>

#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Shape.h"

namespace tcv::refhost {

class WorkBudget;

struct HostOptions {
    // The geometry kernel that builds the shapes; without one every creation is recorded and no kernel
    // geometry is built (the record-only mode).
    KernelPtr kernel;
    // False makes the graphics utility "SymbolUtilities.SyUtilities" unavailable, so that nozzles come
    // from the nozzle factory.
    bool offerSymbolUtilities = true;
    // The context variable "OLE_SERVER": the directory that holds xml/OutsideDiameterforSymbolGraphics.xml.
    std::string dataDirectory;
    // The budget the evaluation runs under (its time limit, cancellation); none: unbounded, but for a
    // request of the process to stop.
    std::shared_ptr<WorkBudget> budget;
};

// A folder the project ships beside its program: "data" (xml/ and catalog/) or "viewer" (the gallery's
// pages). Looked up at run time, first match wins:
//   1. the environment variable `environmentVariable` (e.g. TCV_DATA_DIR), when set and not empty;
//   2. <folder of the running program>/../share/tarncheckvalve/<name> (the installed layout);
//   3. <source tree>/<name>, when the running program sits at most three folders below a build tree: the
//      build tree's root holds tarncheckvalve-source-dir.txt, written by CMake, naming its source tree.
// When none exists, the installed path of step 2, so that an error names where the folder belongs.
TCV_EXPORT std::string shippedDirectory(const std::string& name, const char* environmentVariable);
// The same lookup for code loaded into another program (the Python module): the installed layout under
// `prefix` and the build tree above `codeFolder`, the folder of the loaded file.
TCV_EXPORT std::string shippedDirectoryOf(const std::string& name, const char* environmentVariable,
                                          const std::string& codeFolder, const std::string& prefix);

// The data directory shipped with the project (holds xml/ and catalog/): shippedDirectory("data",
// "TCV_DATA_DIR").
TCV_EXPORT std::string defaultDataDirectory();

// The geometry kernel that the default options hand out; none (record-only) until the program installs
// one, once, before it evaluates.
TCV_EXPORT void setDefaultKernel(KernelPtr kernel);

class TCV_EXPORT RefRuntime : public host::IRuntime {
public:
    explicit RefRuntime(HostOptions options = defaultOptions());
    static HostOptions defaultOptions();

    const HostOptions& options() const { return options_; }

    host::SymbolEntitiesFactoryPtr CreateSymbolEntitiesFactory() override;
    host::DefinitionAuxiliaryPtr CreateDefinitionAuxiliary() override;
    host::ParameterContentPtr CreateParameterContent() override;
    host::InputPtr CreateInput() override;
    host::RepresentationPtr CreateRepresentation() override;
    host::OutputDescriptionPtr CreateOutputDescription() override;
    host::EvaluationPtr CreateEvaluation() override;

    host::GeometryFactoryPtr CreateGeometryFactory() override;
    host::SymbolFactoryPtr CreateSymbolFactory() override;
    host::CollectionPtr CreateCollection() override;

    host::NozzleFactoryPtr CreateNozzleFactory() override;
    host::SymbolUtilitiesPtr CreateSymbolUtilities() override;
    host::ContextPtr CreateContext() override;
    host::UnitsServicePtr CreateUnitsService() override;

    host::ChildOccurrenceServicePtr CreateChildOccurrenceService() override;
    host::ArgumentPtr CreateArgument() override;

private:
    HostOptions options_;
    // The shapes this runtime's evaluation has built (only when it has a kernel), kept in the source file.
    struct BuiltShapes;
    std::shared_ptr<BuiltShapes> built_;
};

} // namespace tcv::refhost
