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
#include "ValidateReport.h"
#include "catalog/Catalog.h"
#include "catalog/Report.h"
#include "catalog/Warnings.h"
#include "export/StagedFile.h"

namespace tcv::cli {

namespace {

struct ValidateOptions {
    std::string file;
    bool recordOnly = false;
    unsigned jobs = 1;
    bool quiet = false;
    bool strict = false;
    std::string reportPath;
    std::uint64_t maxCatalogBytes = refhost::kDefaultMaxCatalogBytes;
    WorkLimitOptions limits;
};

std::string partLine(const PartOutcome& part) {
    const std::string id = part.name + " (PartDataBasis " + std::to_string(part.partDataBasis) + ")";
    if (part.ok()) return (part.warnings.empty() ? "ok      " : "warned  ") + id;
    std::string line = "FAILED  " + id + ":";
    for (const auto& aspect : part.aspects)
        if (!aspect.ok) line += " " + aspect.failure + ";";
    line.pop_back();
    return line;
}

// Each distinct warning once, with the parts it concerns (the first few by name).
void printWarnings(const std::vector<PartOutcome>& parts) {
    std::map<std::string, std::vector<std::string>> partsByWarning;
    std::vector<std::string> order;
    for (const auto& part : parts)
        for (const auto& warning : part.warnings) {
            auto& names = partsByWarning[warning];
            if (names.empty()) order.push_back(warning);
            names.push_back(part.name);
        }
    if (order.empty()) return;
    std::cout << "warnings:\n";
    for (const auto& warning : order) {
        const auto& names = partsByWarning[warning];
        std::string who = names.front();
        for (std::size_t i = 1; i < std::min<std::size_t>(names.size(), 3); ++i) who += ", " + names[i];
        if (names.size() > 3) who += ", ...";
        std::cout << "  " << printable(warning) << "  ["
                  << (names.size() > 1 ? std::to_string(names.size()) + " parts: " : "") << printable(who) << "]\n";
    }
}

int runValidate(const ValidateOptions& options) {
    std::vector<refhost::PartSpec> parts;
    try {
        parts = selectParts(options.file, "", options.maxCatalogBytes);
    } catch (const refhost::CatalogError& error) {
        std::cerr << "checkvalve validate: " << printable(error.what()) << "\n";
        return kExitBadInput;
    }

    refhost::HostOptions hostOptions = refhost::RefRuntime::defaultOptions();
    if (options.recordOnly) hostOptions.kernel.reset();
    ValidateSummary summary;
    summary.catalog = options.file.empty() ? "built-in samples" : options.file;
    summary.strict = options.strict;
    summary.parts.resize(parts.size());
    forEachInParallel("validate", parts.size(), options.jobs, [&](std::size_t i) {
        refhost::HostOptions partOptions = hostOptions;
        partOptions.budget = std::make_shared<refhost::WorkBudget>(options.limits.limits());
        auto report = refhost::evaluatePart(parts[i], {"Physical", "Insulation"}, partOptions);
        summary.parts[i] = outcomeOf(report, refhost::partWarnings(report, hostOptions));
    });
    if (const int code = interruptedExit("validate")) return code;

    std::size_t passed = 0;
    std::size_t warnings = 0;
    for (const auto& part : summary.parts) {
        passed += part.ok();
        warnings += part.warnings.size();
        if (!options.quiet || !part.ok()) std::cout << printable(partLine(part)) << "\n";
    }
    printWarnings(summary.parts);
    std::cout << parts.size() << " part(s): " << passed << " ok, " << parts.size() - passed << " failed, " << warnings
              << " warning(s)" << (options.strict && warnings ? " (failing: --strict)" : "") << "\n";

    if (!options.reportPath.empty()) {
        try {
            exports::writeFileStaged(options.reportPath, "report", renderValidateReport(summary, options.reportPath));
        } catch (const std::exception& error) {
            std::cerr << "checkvalve validate: " << printable(error.what()) << "\n";
            return kExitBadInput;
        }
    }
    if (passed != parts.size()) return kExitFailed;
    return options.strict && warnings ? kExitFailed : kExitOk;
}

} // namespace

void addValidateCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ValidateOptions>();
    auto* command = app.add_subcommand("validate", "Evaluate every part of a catalogue in both aspects and summarise");
    command->add_option("FILE", options->file, "Parts catalogue (the built-in samples when left out)");
    command->add_flag("--record-only", options->recordOnly,
                      "Record the symbol's creations without building kernel geometry (fast)");
    command->add_option("--jobs,-j", options->jobs, "Parts evaluated in parallel")
        ->check(CLI::Range(1u, 64u))
        ->capture_default_str();
    command->add_flag("--quiet,-q", options->quiet, "Print only failed parts, the warnings and the summary");
    command->add_flag("--strict", options->strict, "Fail (exit 1) when any part has a warning");
    addOutputOption(*command, "--report", options->reportPath,
                    "Also write a report: OUT.json (per part and aspect), OUT.xml (JUnit) or OUT.html (one page)")
        ->check(CLI::Validator(
            [](std::string& value) {
                return knownReportExtension(value) ? std::string() : "a report ends in .json, .xml or .html";
            },
            "OUT"));
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    addWorkLimitOptions(*command, options->limits);
    command->callback([&exitCode, options] { exitCode = runValidate(*options); });
}

} // namespace tcv::cli
