// `checkvalve diff OLD NEW`: what a catalogue change did. Parts are matched by name; for each part whose
// data changed it lists the fields that changed and evaluates both versions to say what that did to the
// graphics of each aspect. Exit 0 when no graphics changed, 1 when some did (a part added or removed
// counts), 2 for bad input, so that a catalogue kept under version control can gate its changes.
#include <functional>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "Parallel.h"
#include "Signals.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/Diff.h"
#include "tarncheckvalve/catalog/Report.h"

namespace tcv::cli {

namespace {

struct DiffOptions {
    std::string oldFile;
    std::string newFile;
    bool json = false;
    std::string aspect = "both";
    unsigned jobs = 1;
    std::uint64_t maxCatalogBytes = catalog::kDefaultMaxCatalogBytes;
    WorkLimitOptions limits;
};

int runDiff(const DiffOptions& options) {
    std::vector<refhost::CatalogPart> before, after;
    try {
        if (options.oldFile.empty() || options.newFile.empty())
            throw catalog::CatalogError("give two catalogue files, OLD and NEW");
        before = selectParts(options.oldFile, "", options.maxCatalogBytes);
        after = selectParts(options.newFile, "", options.maxCatalogBytes);
    } catch (const catalog::CatalogError& error) {
        printCatalogError("diff", error);
        return kExitBadInput;
    }
    catalog::CatalogDiff diff = catalog::planCatalogDiff(before, after);
    // Each evaluation has a budget of its own.
    const std::vector<std::string> aspects = aspectsFor(options.aspect);
    const refhost::HostOptions hostOptions = refhost::RefRuntime::defaultOptions();
    const auto evaluate = [&](const refhost::CatalogPart& part) {
        refhost::HostOptions partOptions = hostOptions;
        partOptions.budget = std::make_shared<refhost::WorkBudget>(options.limits.limits());
        return catalog::evaluatePart(part, aspects, partOptions);
    };
    const auto inParallel = [&](std::size_t count, const std::function<void(std::size_t)>& work) {
        forEachInParallel("diff", count, options.jobs, work);
    };
    if (!catalog::compareChangedGraphics(diff, before, after, evaluate, inParallel)) return interruptedExit("diff");

    const catalog::DiffOutput output = catalog::renderCatalogDiff(diff, options.json);
    std::cout << output.text;
    std::cerr << "checkvalve diff: " << output.summary << "\n";
    return output.exitCode;
}

} // namespace

void addDiffCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<DiffOptions>();
    auto* command = app.add_subcommand("diff", "Show what a catalogue change did to the parts and their graphics");
    command->add_option("OLD", options->oldFile, "The catalogue before the change (JSON or .csv)")->required();
    command->add_option("NEW", options->newFile, "The catalogue after the change (JSON or .csv)")->required();
    command->add_flag("--json", options->json, "Print the differences as JSON");
    addChoiceOption(*command, "--aspect", options->aspect, {"physical", "insulation", "both"}, "Aspects to compare");
    addJobsOption(*command, options->jobs, "Parts evaluated in parallel");
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    addWorkLimitOptions(*command, options->limits);
    command->footer(
        "Parts are matched by name. Lengths count as changed beyond 1e-6 m or 1e-6 relative, volumes beyond "
        "1e-6 relative.\n\nExample:\n  git show HEAD~1:parts.csv > old.csv && checkvalve diff old.csv parts.csv");
    addExitCodes(*command,
                 {"no part's graphics changed", "some part's graphics changed, or a part was added or removed",
                  "a catalogue that cannot be read"});
    command->callback([&exitCode, options] { exitCode = runDiff(*options); });
}

} // namespace tcv::cli
