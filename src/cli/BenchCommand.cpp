// `checkvalve bench`: times the evaluation of every part of a catalogue in one process and prints the
// medians per part: each aspect with kernel geometry built, and both aspects together in record-only mode
// (the symbol's own cost plus the host's bookkeeping, without the kernel). Times are the CPU time of the
// evaluating thread unless wall-clock time is asked for: on a machine shared with other work the CPU time
// is what the evaluation itself costs, while wall-clock time also counts the waits for a free core.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <memory>

#include <time.h>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "Progress.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/refhost/Evaluator.h"

namespace tcv::cli {

namespace {

using Json = nlohmann::ordered_json;

struct BenchOptions {
    std::string file;
    std::string part;
    unsigned repeat = 20;
    bool json = false;
    bool wall = false;
    std::uint64_t maxCatalogBytes = catalog::kDefaultMaxCatalogBytes;
};

struct PartTiming {
    const refhost::CatalogPart* part = nullptr;
    double physical = 0, insulation = 0, recordOnly = 0; // median microseconds
    bool ok = true;
    double total() const { return physical + insulation; }
};

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid), values.end());
    const double upper = values[mid];
    if (values.size() % 2 == 1) return upper;
    return (upper + *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid))) / 2;
}

// Microseconds on the clock: CPU time of this thread, or wall-clock time.
double now(bool wall) {
    if (wall)
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now().time_since_epoch()).count();
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return static_cast<double>(cpu.tv_sec) * 1e6 + static_cast<double>(cpu.tv_nsec) / 1e3;
}

PartTiming timePart(const refhost::CatalogPart& part, unsigned repeat, bool wall) {
    auto timed = [wall](auto&& work) {
        const double start = now(wall);
        work();
        return now(wall) - start;
    };
    refhost::HostOptions built = refhost::RefRuntime::defaultOptions();
    refhost::HostOptions recordOnly = built;
    recordOnly.kernel.reset();
    PartTiming timing;
    timing.part = &part;
    auto evaluate = [&](contract::Aspect aspect, const refhost::HostOptions& options) {
        // The result (and its geometry) is released inside the timed span, as a host releases it.
        if (!refhost::evaluateAspect(part, aspect, options).ok) timing.ok = false;
    };
    auto both = [&] {
        evaluate(contract::Aspect::Physical, recordOnly);
        evaluate(contract::Aspect::Insulation, recordOnly);
    };
    // One warm-up of every mode: the data file, the kernel's first-use setup and the caches settle.
    evaluate(contract::Aspect::Physical, built);
    evaluate(contract::Aspect::Insulation, built);
    both();
    std::vector<double> physical, insulation, record;
    for (unsigned i = 0; i < repeat; ++i) {
        physical.push_back(timed([&] { evaluate(contract::Aspect::Physical, built); }));
        insulation.push_back(timed([&] { evaluate(contract::Aspect::Insulation, built); }));
        record.push_back(timed(both));
    }
    timing.physical = median(physical);
    timing.insulation = median(insulation);
    timing.recordOnly = median(record);
    return timing;
}

struct Summary {
    double medianTotal = 0;
    const PartTiming* worst = nullptr;
    double recordOnlyShare = 0; // record-only time over kernel-built time, all parts together
};

Summary summarise(const std::vector<PartTiming>& timings) {
    Summary summary;
    std::vector<double> totals;
    double built = 0, record = 0;
    for (const auto& timing : timings) {
        totals.push_back(timing.total());
        built += timing.total();
        record += timing.recordOnly;
        if (!summary.worst || timing.total() > summary.worst->total()) summary.worst = &timing;
    }
    summary.medianTotal = median(totals);
    summary.recordOnlyShare = built > 0 ? record / built : 0;
    return summary;
}

double rounded(double value) { return std::round(value * 10) / 10; }

void printJson(const std::vector<PartTiming>& timings, const Summary& summary, unsigned repeat, bool wall) {
    Json json;
    json["repeat"] = repeat;
    json["clock"] = wall ? "wall" : "thread-cpu";
    json["parts"] = Json::array();
    for (const auto& timing : timings)
        json["parts"].push_back({{"part", timing.part->name},
                                 {"partDataBasis", timing.part->partDataBasis},
                                 {"physical_us", rounded(timing.physical)},
                                 {"insulation_us", rounded(timing.insulation)},
                                 {"record_only_us", rounded(timing.recordOnly)},
                                 {"ok", timing.ok}});
    Json summaryJson;
    summaryJson["parts"] = timings.size();
    summaryJson["median_physical_insulation_us"] = rounded(summary.medianTotal);
    if (summary.worst) {
        summaryJson["worst_part"] = summary.worst->part->name;
        summaryJson["worst_physical_insulation_us"] = rounded(summary.worst->total());
    }
    summaryJson["record_only_share"] = std::round(summary.recordOnlyShare * 10000) / 10000;
    json["summary"] = summaryJson;
    std::cout << json.dump(2) << "\n";
}

void printTable(const std::vector<PartTiming>& timings, const Summary& summary, unsigned repeat, bool wall) {
    std::size_t width = 4;
    for (const auto& timing : timings) width = std::max(width, timing.part->name.size());
    std::cout << "median of " << repeat << " evaluations per part and mode, microseconds of "
              << (wall ? "wall-clock time" : "CPU time") << "\n";
    std::cout << std::left << std::setw(static_cast<int>(width)) << "part" << std::right << std::setw(7) << "PDB"
              << std::setw(12) << "physical" << std::setw(12) << "insulation" << std::setw(13) << "record-only"
              << "\n";
    std::cout << std::fixed << std::setprecision(0);
    for (const auto& timing : timings)
        std::cout << std::left << std::setw(static_cast<int>(width)) << printable(timing.part->name) << std::right
                  << std::setw(7) << timing.part->partDataBasis << std::setw(12) << timing.physical << std::setw(12)
                  << timing.insulation << std::setw(13) << timing.recordOnly << (timing.ok ? "" : "  (failed)") << "\n";
    std::cout << timings.size() << " part(s): median physical+insulation " << summary.medianTotal << " us";
    if (summary.worst)
        std::cout << "; worst " << printable(summary.worst->part->name) << " " << summary.worst->total() << " us";
    std::cout << std::setprecision(1) << "; record-only " << summary.recordOnlyShare * 100 << "% of the built time\n";
}

int runBench(const BenchOptions& options) {
    std::vector<refhost::CatalogPart> parts;
    try {
        parts = selectParts(options.file, options.part, options.maxCatalogBytes);
    } catch (const catalog::CatalogError& error) {
        printCatalogError("bench", error);
        return kExitBadInput;
    }
    const unsigned repeat = options.repeat;
    std::vector<PartTiming> timings;
    Progress progress("bench", parts.size());
    for (const auto& part : parts) {
        timings.push_back(timePart(part, repeat, options.wall));
        progress.advance();
    }
    progress.finish();
    const Summary summary = summarise(timings);
    if (options.json)
        printJson(timings, summary, repeat, options.wall);
    else
        printTable(timings, summary, repeat, options.wall);
    const bool allOk = std::all_of(timings.begin(), timings.end(), [](const auto& t) { return t.ok; });
    return allOk ? kExitOk : kExitFailed;
}

} // namespace

void addBenchCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<BenchOptions>();
    auto* command = app.add_subcommand("bench", "Time the evaluation of every part of a catalogue, one by one");
    command->add_option("FILE", options->file, "Parts catalogue (the built-in samples when left out)");
    command->add_option("--part", options->part, "Time only the part of this name");
    command->add_option("--repeat,-n", options->repeat, "Timed evaluations per part and mode, after one warm-up")
        ->capture_default_str()
        ->check(CLI::Range(1u, 100000u));
    command->add_flag("--json", options->json, "Print the timings as JSON");
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    command->add_flag("--wall", options->wall, "Wall-clock time instead of the evaluating thread's CPU time");
    command->footer("Per part and PartDataBasis: the median microseconds of Physical and of Insulation with kernel "
                    "geometry built, and of both aspects together in record-only mode; then the median over the "
                    "parts of Physical + Insulation, the slowest part and the record-only share of the time. "
                    "Times are the evaluating thread's CPU time (--wall: wall-clock time).\n\n"
                    "Example:\n  checkvalve bench --repeat 50 --json > bench.json");
    addExitCodes(*command, {"every part timed", "a part's evaluation failed (its times are still listed)",
                            "a catalogue that cannot be read, or no part of the --part name"});
    command->callback([&exitCode, options] { exitCode = runBench(*options); });
}

} // namespace tcv::cli
