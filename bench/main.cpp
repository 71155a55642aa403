// Benchmarks of the symbol on the reference host. Every sample part gets its own cases, named after the
// part, so that a slow part stands out and `--benchmark_filter` can pick one:
//   Evaluate/<aspect>/<part>     InvokeRepresentation with kernel geometry built (nothing exported)
//   RecordOnly/<aspect>/<part>   the same in record-only mode: the symbol's own cost and the host's records
//   Mesh/<part>                  export document of both aspects, triangulation and STL (the part evaluated
//                                outside the timing)
//   Glb/<part>                   writing the GLB of an already triangulated document
//   Gallery/jobs:<n>             `checkvalve gallery` of all sample parts as a whole process, real time
//   Place/rows:10000             `checkvalve place` of 10,000 valves cycling through the sample parts along
//                                four axis directions, as a whole process; the counter `bytes` is the
//                                model's size
//   Place/rows:10000/ifczip      the same model written as IFC-ZIP
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/kernel/OccKernel.h"
#include "tarncheckvalve/kernel/ProcessMemory.h"
#include "tarncheckvalve/refhost/Evaluator.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace {

namespace fs = std::filesystem;
using tcv::refhost::CatalogPart;

const std::vector<std::string> kAspects{"Physical", "Insulation"};

// A fresh folder under the system's temporary directory, removed when the process ends.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "tcv-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

ScratchFolder& scratch() {
    static ScratchFolder folder;
    return folder;
}

void registerEvaluation(const std::vector<CatalogPart>& parts) {
    for (const bool build : {true, false}) {
        tcv::refhost::HostOptions options = tcv::refhost::RefRuntime::defaultOptions();
        // The default options carry the program's kernel once one is installed: record-only drops it.
        options.kernel = build ? tcv::kernel::makeOccKernel() : nullptr;
        for (const tcv::contract::Aspect aspect : tcv::contract::kAspects)
            for (const auto& part : parts) {
                const std::string name = std::string(build ? "Evaluate/" : "RecordOnly/") +
                                         std::string(tcv::contract::aspectName(aspect)) + "/" + part.name;
                benchmark::RegisterBenchmark(name.c_str(),
                                             [part, aspect, options](benchmark::State& state) {
                                                 for (auto _ : state) {
                                                     auto result = tcv::refhost::evaluateAspect(part, aspect, options);
                                                     benchmark::DoNotOptimize(result.ok);
                                                     if (!result.ok) state.SkipWithError("the evaluation failed");
                                                 }
                                             })
                    ->Unit(benchmark::kMicrosecond)
                    ->MinTime(0.2);
            }
    }
}

void registerExport(const std::vector<CatalogPart>& parts) {
    for (const auto& part : parts) {
        const fs::path stl = scratch().path() / (part.name + ".stl");
        const fs::path glb = scratch().path() / (part.name + ".glb");
        benchmark::RegisterBenchmark(("Mesh/" + part.name).c_str(),
                                     [part, stl](benchmark::State& state) {
                                         for (auto _ : state) {
                                             state.PauseTiming();
                                             auto report = tcv::catalog::evaluatePart(part, kAspects);
                                             state.ResumeTiming();
                                             tcv::exports::ExportDocument document(report);
                                             document.writeStl(stl.string());
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.2);
        benchmark::RegisterBenchmark(("Glb/" + part.name).c_str(),
                                     [part, stl, glb](benchmark::State& state) {
                                         for (auto _ : state) {
                                             state.PauseTiming();
                                             auto report = tcv::catalog::evaluatePart(part, kAspects);
                                             tcv::exports::ExportDocument document(report);
                                             document.writeStl(stl.string()); // triangulates
                                             state.ResumeTiming();
                                             document.writeGlb(glb.string());
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.2);
    }
}

// What the work budget costs: every sample evaluated and exported as GLB and STL, without a budget and
// under the command line's limits (the checks before every construction and in the mesher's loops).
void registerBudget(const std::vector<CatalogPart>& parts) {
    for (const bool bounded : {false, true}) {
        benchmark::RegisterBenchmark(bounded ? "Budget/limits" : "Budget/none",
                                     [&parts, bounded](benchmark::State& state) {
                                         for (auto _ : state)
                                             for (const auto& part : parts) {
                                                 auto options = tcv::refhost::RefRuntime::defaultOptions();
                                                 tcv::exports::MeshSettings mesh;
                                                 if (bounded) {
                                                     options.budget = std::make_shared<tcv::refhost::WorkBudget>(
                                                         tcv::refhost::WorkLimits{std::chrono::seconds(30),
                                                                                  tcv::refhost::kDefaultTriangleLimit});
                                                     mesh.budget = options.budget;
                                                 }
                                                 auto report = tcv::catalog::evaluatePart(part, kAspects, options);
                                                 tcv::exports::ExportDocument document(report, mesh);
                                                 benchmark::DoNotOptimize(document.renderGlb());
                                                 benchmark::DoNotOptimize(document.renderStl());
                                             }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
}

// The whole gallery as a person runs it: one process, its start-up, evaluation, STEP, GLB and reports
// (--force: every iteration renders every part, though the folder holds the previous one's gallery).
void registerGallery(std::size_t partCount) {
    for (const int jobs : {1, 2}) {
        benchmark::RegisterBenchmark(
            ("Gallery/jobs:" + std::to_string(jobs)).c_str(),
            [jobs, partCount](benchmark::State& state) {
                const fs::path folder = scratch().path() / "gallery";
                const std::string command = std::string("\"") + TCV_CHECKVALVE + "\" gallery \"" + folder.string() +
                                            "\" --jobs " + std::to_string(jobs) + " --force > /dev/null 2>&1";
                for (auto _ : state)
                    if (std::system(command.c_str()) != 0) state.SkipWithError("checkvalve gallery failed");
                state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(partCount));
            })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
    }
}

// A plant model of 10,000 placed valves as a person makes it: one process reading the placements.
void registerPlace(const std::vector<CatalogPart>& parts, const std::string& extension) {
    benchmark::RegisterBenchmark(
        extension == ".ifc" ? std::string("Place/rows:10000") : "Place/rows:10000/" + extension.substr(1),
        [&parts, extension](benchmark::State& state) {
            const fs::path rows = scratch().path() / "placements.csv", model = scratch().path() / ("model" + extension);
            {
                static const char* kFrames[] = {"1,0,0,0,0,1", "0,1,0,0,0,1", "0,0,1,1,0,0", "-1,0,0,0,0,1"};
                std::ofstream out(rows);
                out << "instance,part,x,y,z,dirx,diry,dirz,upx,upy,upz\n";
                for (int i = 0; i < 10000; ++i)
                    out << "V-" << i + 1 << "," << parts[static_cast<std::size_t>(i) % parts.size()].name << ","
                        << (i % 100) * 1.5 << "," << (i / 100) * 1.5 << "," << 3.2 + (i % 3) * 0.8 << ","
                        << kFrames[i % 4] << "\n";
            }
            const std::string command = std::string("\"") + TCV_CHECKVALVE + "\" place \"" + rows.string() +
                                        "\" --ifc \"" + model.string() + "\" > /dev/null 2>&1";
            for (auto _ : state)
                if (std::system(command.c_str()) != 0) state.SkipWithError("checkvalve place failed");
            std::error_code error;
            state.counters["bytes"] = static_cast<double>(fs::file_size(model, error));
            state.SetItemsProcessed(state.iterations() * 10000);
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
}

} // namespace

int main(int argc, char** argv) {
    tcv::kernel::keepFreedMemoryForKernel(); // as checkvalve does
    tcv::kernel::installOccKernel();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const std::vector<CatalogPart> parts = tcv::catalog::loadSampleCatalog();
    registerEvaluation(parts);
    registerExport(parts);
    registerBudget(parts);
    registerGallery(parts.size());
    for (const char* extension : {".ifc", ".ifczip"}) registerPlace(parts, extension);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
