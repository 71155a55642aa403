#include "tarncheckvalve/refhost/RefRuntime.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Factories.h"
#include "tarncheckvalve/refhost/ConstructionMemo.h"
#include "tarncheckvalve/refhost/LengthUnits.h"
#include "tarncheckvalve/refhost/SymbolEntities.h"

namespace tcv::refhost {

namespace fs = std::filesystem;

namespace {

// The file CMake writes at the root of a build tree; its first line is the source tree's path.
constexpr const char* kBuildTreeMarker = "tarncheckvalve-source-dir.txt";

fs::path programFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program.parent_path();
}

// The source tree named by the marker of the build tree the program was built in, or empty.
fs::path sourceTreeOf(const fs::path& programDir) {
    fs::path folder = programDir;
    for (int level = 0; level <= 3 && !folder.empty(); ++level) {
        std::error_code error;
        if (fs::is_regular_file(folder / kBuildTreeMarker, error)) {
            std::ifstream in(folder / kBuildTreeMarker);
            std::string line;
            std::getline(in, line);
            return line;
        }
        if (folder == folder.parent_path()) break;
        folder = folder.parent_path();
    }
    return {};
}

} // namespace

std::string shippedDirectory(const std::string& name, const char* environmentVariable) {
    const fs::path programDir = programFolder();
    return shippedDirectoryOf(name, environmentVariable, programDir.string(), (programDir / "..").string());
}

std::string shippedDirectoryOf(const std::string& name, const char* environmentVariable, const std::string& codeFolder,
                               const std::string& prefix) {
    if (const char* fromEnvironment = std::getenv(environmentVariable); fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    const fs::path installed = (fs::path(prefix) / "share" / "tarncheckvalve" / name).lexically_normal();
    std::error_code error;
    if (!codeFolder.empty() && fs::is_directory(installed, error)) return installed.string();
    if (const fs::path source = sourceTreeOf(codeFolder); !source.empty() && fs::is_directory(source / name, error))
        return (source / name).string();
    return installed.string();
}

std::string defaultDataDirectory() { return shippedDirectory("data", "TCV_DATA_DIR"); }

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

struct RefRuntime::BuiltShapes : ConstructionMemo {};

RefRuntime::RefRuntime(HostOptions options)
    : options_(std::move(options)), built_(options_.kernel ? std::make_shared<BuiltShapes>() : nullptr) {}

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

host::GeometryFactoryPtr RefRuntime::CreateGeometryFactory() { return makeGeometryFactory(options_, built_); }
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
