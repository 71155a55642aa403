// `checkvalve validate`: evaluates every part of a catalogue in both aspects, without writing geometry,
// and prints one line per part with its reason when it failed, then the warnings (each distinct one once,
// with how many parts it concerns) and a summary. --report writes the same as JSON, JUnit XML or HTML.
#include <algorithm>
#include <iostream>
#include <map>
#include <memory>

#include "Commands.h"
#include "Parallel.h"
#include "Signals.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/catalog/ValidateReport.h"
#include "tarncheckvalve/catalog/Warnings.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/exports/StagedFile.h"

namespace tcv::cli {

namespace {

struct ValidateOptions {
    std::string file;
    bool recordOnly = false;
    unsigned jobs = 1;
    bool quiet = false;
    bool strict = false;
    std::string reportPath;
    std::uint64_t maxCatalogBytes = catalog::kDefaultMaxCatalogBytes;
    WorkLimitOptions limits;
};

int runValidate(const ValidateOptions& options) {
    std::vector<refhost::CatalogPart> parts;
    try {
        parts = selectParts(options.file, "", options.maxCatalogBytes);
    } catch (const catalog::CatalogError& error) {
        printCatalogError("validate", error);
        return kExitBadInput;
    }

    refhost::HostOptions hostOptions = refhost::RefRuntime::defaultOptions();
    if (options.recordOnly) hostOptions.kernel.reset();
    catalog::ValidateSummary summary;
    summary.catalog = options.file.empty() ? "built-in samples" : options.file;
    summary.strict = options.strict;
    summary.parts.resize(parts.size());
    forEachInParallel("validate", parts.size(), options.jobs, [&](std::size_t i) {
        refhost::HostOptions partOptions = hostOptions;
        partOptions.budget = std::make_shared<refhost::WorkBudget>(options.limits.limits());
        auto report = catalog::evaluatePart(parts[i], contract::allAspectNames(), partOptions);
        summary.parts[i] = catalog::outcomeOf(report, catalog::partWarnings(report, hostOptions));
    });
    if (const int code = interruptedExit("validate")) return code;

    std::cout << renderValidateText(summary, options.quiet);

    if (!options.reportPath.empty()) {
        try {
            exports::writeFileStaged(options.reportPath, "report",
                                     catalog::renderValidateReport(summary, options.reportPath));
        } catch (const std::exception& error) {
            std::cerr << "checkvalve validate: " << printable(error.what()) << "\n";
            return kExitBadInput;
        }
    }
    return catalog::validateExitCode(summary);
}

} // namespace

void addValidateCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ValidateOptions>();
    auto* command = app.add_subcommand("validate", "Evaluate every part of a catalogue in both aspects and summarise");
    command->add_option("FILE", options->file, "Parts catalogue (the built-in samples when left out)");
    command->add_flag("--record-only", options->recordOnly,
                      "Record the symbol's creations without building kernel geometry (fast)");
    addJobsOption(*command, options->jobs, "Parts evaluated in parallel");
    command->add_flag("--quiet,-q", options->quiet, "Print only failed parts, the warnings and the summary");
    command->add_flag("--strict", options->strict, "Fail (exit 1) when any part has a warning");
    addOutputOption(*command, "--report", options->reportPath,
                    "Also write a report: OUT.json (per part and aspect), OUT.xml (JUnit) or OUT.html (one page)")
        ->check(CLI::Validator(
            [](std::string& value) {
                return catalog::knownReportExtension(value) ? std::string() : "a report ends in .json, .xml or .html";
            },
            "OUT"));
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    addWorkLimitOptions(*command, options->limits);
    addExitCodes(*command, {"every part evaluated in both aspects (with --strict: and none has a warning)",
                            "a part failed, or with --strict a part has a warning",
                            "a catalogue that cannot be read, or a --report that cannot be written"});
    command->callback([&exitCode, options] { exitCode = runValidate(*options); });
}

} // namespace tcv::cli
