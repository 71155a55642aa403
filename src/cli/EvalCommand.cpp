// `checkvalve eval`: evaluates parts of a catalogue file (or a built-in sample) and reports every output.
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "refhost/Catalog.h"
#include "refhost/Report.h"

namespace tcv::cli {

namespace {

struct EvalOptions {
    std::string file;
    std::string part;
    std::string sample;
    std::string aspect = "both";
    bool json = false;
    bool noUtility = false;
};

int runEval(const EvalOptions& options) {
    std::vector<refhost::PartSpec> parts;
    try {
        if (!options.sample.empty() && !options.file.empty())
            throw refhost::CatalogError("give either FILE or --sample, not both");
        if (options.sample.empty() && options.file.empty())
            throw refhost::CatalogError("give a catalogue FILE or --sample NAME (see `checkvalve samples`)");
        parts = options.sample.empty() ? selectParts(options.file, options.part) : selectParts("", options.sample);
    } catch (const refhost::CatalogError& error) {
        std::cerr << "checkvalve eval: " << error.what() << "\n";
        return kExitBadInput;
    }

    refhost::HostOptions hostOptions = refhost::RefRuntime::defaultOptions();
    hostOptions.offerSymbolUtilities = !options.noUtility;
    std::vector<refhost::PartReport> reports;
    bool allOk = true;
    for (const auto& part : parts) {
        reports.push_back(refhost::evaluatePart(part, aspectsFor(options.aspect), hostOptions));
        allOk = allOk && reports.back().ok();
    }

    if (options.json) {
        if (reports.size() == 1) {
            std::cout << refhost::reportJson(reports.front()).dump(2) << "\n";
        } else {
            nlohmann::ordered_json all{{"parts", nlohmann::ordered_json::array()}};
            for (const auto& report : reports) all["parts"].push_back(refhost::reportJson(report));
            std::cout << all.dump(2) << "\n";
        }
    } else {
        for (std::size_t i = 0; i < reports.size(); ++i) {
            if (i) std::cout << "\n";
            refhost::printReportTable(std::cout, reports[i]);
        }
    }
    return allOk ? kExitOk : kExitFailed;
}

} // namespace

void addEvalCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<EvalOptions>();
    auto* command = app.add_subcommand("eval", "Evaluate parts with the symbol and report every output");
    command->add_option("FILE", options->file, "Parts catalogue (JSON: one part or {\"parts\": [...]})");
    command->add_option("--part", options->part, "Evaluate only the part of this name");
    command->add_option("--sample", options->sample, "Evaluate a built-in sample part (see `checkvalve samples`)");
    command->add_option("--aspect", options->aspect, "Aspects to evaluate")
        ->check(CLI::IsMember({"physical", "insulation", "both"}))
        ->capture_default_str();
    command->add_flag("--json", options->json, "Print the report as JSON");
    command->add_flag("--no-utility", options->noUtility,
                      "Host offers no graphics utility: nozzles come from the nozzle factory");
    command->callback([&exitCode, options] { exitCode = runEval(*options); });
}

} // namespace tcv::cli
