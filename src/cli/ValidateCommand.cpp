// `checkvalve validate`: evaluates every part of a catalogue in both aspects, without writing geometry,
// and prints one line per part with a summary.
#include <algorithm>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "Parallel.h"
#include "catalog/Catalog.h"
#include "catalog/Report.h"

namespace tcv::cli {

namespace {

struct ValidateOptions {
    std::string file;
    bool recordOnly = false;
    unsigned jobs = 1;
    bool quiet = false;
    std::uint64_t maxCatalogBytes = refhost::kDefaultMaxCatalogBytes;
};

std::string partLine(const refhost::PartReport& report) {
    const std::string id = report.part.name + " (PartDataBasis " + std::to_string(report.part.partDataBasis) + ")";
    if (report.ok()) return "ok      " + id;
    std::string line = "FAILED  " + id + ":";
    for (const auto& aspect : report.aspects) {
        if (aspect.ok) continue;
        const auto& outputs = aspect.outputs->outputs();
        line += " " + aspect.aspect + " failed with " + refhost::errorCodeText(*aspect.errorCode);
        line += outputs.empty()
                    ? " before any output"
                    : " after output " + std::to_string(outputs.size()) + " \"" + outputs.back().name + "\"";
        line += ";";
    }
    line.pop_back();
    return line;
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
    std::vector<std::string> lines(parts.size());
    std::vector<char> ok(parts.size(), 0);
    forEachInParallel("validate", parts.size(), options.jobs, [&](std::size_t i) {
        auto report = refhost::evaluatePart(parts[i], {"Physical", "Insulation"}, hostOptions);
        ok[i] = report.ok();
        lines[i] = partLine(report);
        for (const auto& warning : refhost::plausibilityWarnings(parts[i])) lines[i] += "\n        warning: " + warning;
    });

    const auto passed = static_cast<std::size_t>(std::count(ok.begin(), ok.end(), 1));
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (!options.quiet || !ok[i]) std::cout << printable(lines[i]) << "\n";
    std::cout << parts.size() << " part(s): " << passed << " ok, " << parts.size() - passed << " failed\n";
    return passed == parts.size() ? kExitOk : kExitFailed;
}

} // namespace

void addValidateCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ValidateOptions>();
    auto* command = app.add_subcommand("validate", "Evaluate every part of a catalogue in both aspects and summarise");
    command->add_option("FILE", options->file, "Parts catalogue (the built-in samples when left out)");
    command->add_flag("--record-only", options->recordOnly,
                      "Record the symbol's creations without building kernel geometry (fast)");
    command->add_option("--jobs,-j", options->jobs, "Parts evaluated in parallel")->capture_default_str();
    command->add_flag("--quiet,-q", options->quiet, "Print only failed parts and the summary");
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    command->callback([&exitCode, options] { exitCode = runValidate(*options); });
}

} // namespace tcv::cli
