// `checkvalve eval`: evaluates parts of a catalogue file (or a built-in sample), reports every output and,
// when asked, exports the evaluated aspects as STEP, GLB, STL and IFC.
#include <algorithm>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "Signals.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/Formats.h"
#include "tarncheckvalve/exports/StagedFile.h"

namespace tcv::cli {

namespace {

struct EvalOptions {
    std::string file;
    std::string part;
    std::string sample;
    std::string aspect = "both";
    bool json = false;
    bool noUtility = false;
    // The file to write per export format, in the order of exports::exportFormats(); empty: none.
    std::vector<std::string> files = std::vector<std::string>(exports::exportFormats().size());
    std::string ifcLibrary;
    IfcChoices ifcChoices;
    std::uint64_t maxCatalogBytes = catalog::kDefaultMaxCatalogBytes;
    WorkLimitOptions limits;

    bool exports() const {
        return std::any_of(files.begin(), files.end(), [](const std::string& path) { return !path.empty(); });
    }
};

// Refuses exports that cannot work before anything is evaluated: several parts at once, an STL without
// the Physical aspect, a destination whose folder does not exist or cannot be written.
void checkExportRequest(const EvalOptions& options, const std::vector<refhost::CatalogPart>& parts) {
    if (!options.ifcLibrary.empty()) exports::StagedFile(options.ifcLibrary, "IFC");
    if (!options.exports()) return;
    if (parts.size() != 1)
        throw catalog::CatalogError(options.file + " holds " + std::to_string(parts.size()) +
                                    " parts; choose the one to export with --part NAME (or render them all with "
                                    "`checkvalve gallery`)");
    const auto formats = exports::exportFormats();
    for (std::size_t i = 0; i < formats.size(); ++i)
        if (!options.files[i].empty() && formats[i].physicalOnly && options.aspect == "insulation")
            throw catalog::CatalogError(std::string("--") + formats[i].name +
                                        " writes the Physical aspect; evaluate it with --aspect physical or both");
    // A staged file checks its destination and creates its temporary file on construction, and leaves
    // nothing behind.
    for (std::size_t i = 0; i < formats.size(); ++i)
        if (!options.files[i].empty()) exports::StagedFile(options.files[i], formats[i].label);
}

// Writes the requested files; every file that can be written is, and each failure is reported.
bool writeExports(const EvalOptions& options, const catalog::PartReport& report,
                  const std::shared_ptr<refhost::WorkBudget>& budget) {
    bool allWritten = true;
    try {
        exports::MeshSettings settings;
        settings.budget = budget;
        exports::ExportDocument document(report, settings);
        const auto formats = exports::exportFormats();
        const exports::IfcOptions ifcOptions = ifcOptionsFor(options.ifcChoices);
        for (std::size_t i = 0; i < formats.size(); ++i) {
            const std::string& path = options.files[i];
            if (path.empty()) continue;
            try {
                formats[i].write(document, path, ifcOptions);
                std::cerr << "checkvalve eval: wrote " << printable(path) << "\n";
            } catch (const exports::ExportError& error) {
                std::cerr << "checkvalve eval: " << printable(error.what()) << "\n";
                allWritten = false;
            }
        }
    } catch (const exports::ExportError& error) {
        std::cerr << "checkvalve eval: " << printable(error.what()) << "\n";
        return false;
    }
    return allWritten;
}

int runEval(const EvalOptions& options) {
    std::vector<refhost::CatalogPart> parts;
    try {
        if (!options.sample.empty() && !options.file.empty())
            throw catalog::CatalogError("give either FILE or --sample, not both");
        if (options.sample.empty() && options.file.empty())
            throw catalog::CatalogError("give a catalogue FILE or --sample NAME (see `checkvalve samples`)");
        parts = options.sample.empty() ? selectParts(options.file, options.part, options.maxCatalogBytes)
                                       : selectParts("", options.sample);
        checkExportRequest(options, parts);
    } catch (const exports::ExportError& error) {
        std::cerr << "checkvalve eval: " << printable(error.what()) << "\n";
        return kExitBadInput;
    } catch (const catalog::CatalogError& error) {
        printCatalogError("eval", error);
        return kExitBadInput;
    }

    refhost::HostOptions hostOptions = refhost::RefRuntime::defaultOptions();
    hostOptions.offerSymbolUtilities = !options.noUtility;
    std::vector<catalog::PartReport> reports;
    bool allOk = true;
    // Each part has a budget of its own, for its evaluation and its exports.
    std::shared_ptr<refhost::WorkBudget> budget;
    for (const auto& part : parts) {
        budget = std::make_shared<refhost::WorkBudget>(options.limits.limits());
        hostOptions.budget = budget;
        reports.push_back(catalog::evaluatePart(part, aspectsFor(options.aspect), hostOptions));
        allOk = allOk && reports.back().ok();
        if (refhost::interruptSignal()) return interruptedExit("eval");
    }

    if (options.json) {
        if (reports.size() == 1) {
            std::cout << catalog::reportJson(reports.front()).dump(2) << "\n";
        } else {
            nlohmann::ordered_json all{{"parts", nlohmann::ordered_json::array()}};
            for (const auto& report : reports) all["parts"].push_back(catalog::reportJson(report));
            std::cout << all.dump(2) << "\n";
        }
    } else {
        for (std::size_t i = 0; i < reports.size(); ++i) {
            if (i) std::cout << "\n";
            catalog::printReportTable(std::cout, reports[i]);
        }
    }
    // A failed aspect still exports the outputs it added before it failed.
    if (options.exports() && !writeExports(options, reports.front(), budget))
        return refhost::interruptSignal() ? interruptedExit("eval") : kExitFailed;
    if (!options.ifcLibrary.empty() &&
        !writeIfcLibrary("checkvalve eval", reports, options.ifcLibrary, ifcOptionsFor(options.ifcChoices)))
        return refhost::interruptSignal() ? interruptedExit("eval") : kExitFailed;
    return allOk ? kExitOk : kExitFailed;
}

} // namespace

void addEvalCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<EvalOptions>();
    auto* command = app.add_subcommand("eval", "Evaluate parts with the symbol and report every output");
    command->add_option("FILE", options->file,
                        "Parts catalogue: JSON (one part or {\"parts\": [...]}) or a spreadsheet's .csv");
    command->add_option("--part", options->part, "Evaluate only the part of this name");
    command->add_option("--sample", options->sample, "Evaluate a built-in sample part (see `checkvalve samples`)");
    addChoiceOption(*command, "--aspect", options->aspect, {"physical", "insulation", "both"}, "Aspects to evaluate");
    command->add_flag("--json", options->json, "Print the report as JSON");
    command->add_flag("--no-utility", options->noUtility,
                      "Host offers no graphics utility: nozzles come from the nozzle factory");
    const auto formats = exports::exportFormats();
    for (std::size_t i = 0; i < formats.size(); ++i)
        addOutputOption(*command, std::string("--") + formats[i].name, options->files[i],
                        std::string("Write ") + formats[i].contents);
    addIfcOptions(*command, options->ifcChoices, options->ifcLibrary);
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    addWorkLimitOptions(*command, options->limits);
    command->footer(
        "Exports take one part: with a FILE of several parts, choose it with --part (or use "
        "`checkvalve gallery` for all). Files are written whole or not at all; a failing aspect still "
        "exports the outputs it added.\n\nExamples:\n"
        "  checkvalve eval --sample default-1-nps4-cl150-swing\n"
        "  checkvalve eval examples/catalog/valves.csv --part SCV-150-4-SW --json\n"
        "  checkvalve eval --sample default-1-nps4-cl150-swing --glb valve.glb --step valve.step --stl valve.stl\n"
        "  checkvalve eval --sample default-1-nps4-cl150-swing --ifc valve.ifc");
    addExitCodes(
        *command,
        {"every aspect of every part evaluated and every file written",
         "an aspect of a part failed (the report and the files show what it added), or a file could not be written",
         "a catalogue that cannot be read, an unknown part or sample, or a file to write whose folder cannot be "
         "written"});
    command->callback([&exitCode, options] { exitCode = runEval(*options); });
}

} // namespace tcv::cli
