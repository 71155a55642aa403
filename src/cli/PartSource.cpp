// Choosing the parts and aspects a command works on, and what every command shares: its options for
// choices, jobs and catalogue sizes, and how a catalogue's problems are printed.
#include <algorithm>
#include <iostream>

#include "Commands.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/contract/Contract.h"

namespace tcv::cli {

std::vector<refhost::CatalogPart> selectParts(const std::string& file, const std::string& partName,
                                              std::uint64_t maxCatalogBytes) {
    std::vector<refhost::CatalogPart> parts =
        file.empty() ? catalog::loadSampleCatalog() : catalog::loadCatalogFile(file, maxCatalogBytes);
    if (partName.empty()) return parts;
    auto found = std::find_if(parts.begin(), parts.end(), [&](const auto& p) { return p.name == partName; });
    if (found == parts.end()) {
        std::vector<std::string> names;
        for (const auto& p : parts) names.push_back(p.name);
        std::string hint = catalog::closestName(partName, names);
        throw catalog::CatalogError((file.empty() ? std::string("the built-in samples") : file) + " holds no part '" +
                                    catalog::shownValue(partName) + "'" +
                                    (hint.empty() ? "" : "; did you mean '" + hint + "'?"));
    }
    return {*found};
}

void printCatalogError(const std::string& command, const catalog::CatalogError& error) {
    const auto problems = error.problems();
    for (const auto& problem : problems) std::cerr << "checkvalve " << command << ": " << printable(problem) << "\n";
    if (error.total() > problems.size())
        std::cerr << "checkvalve " << command << ": ... and " << error.total() - problems.size()
                  << " more problem(s) (the first " << problems.size() << " are shown)\n";
}

CLI::Option* addChoiceOption(CLI::App& command, const std::string& name, std::string& value,
                             std::vector<std::string> choices, const std::string& description) {
    return command.add_option(name, value, description)
        ->transform(CLI::IsMember(std::move(choices), CLI::ignore_case))
        ->capture_default_str();
}

CLI::Option* addJobsOption(CLI::App& command, unsigned& jobs, const std::string& description) {
    return command.add_option("--jobs,-j", jobs, description)->check(CLI::Range(1u, 64u))->capture_default_str();
}

void addCatalogSizeOption(CLI::App& command, std::uint64_t& maxCatalogBytes) {
    // A sign is refused before the unit is read: the conversion would otherwise wrap "-1" round to 16 EiB.
    command
        .add_option("--max-catalog-size", maxCatalogBytes,
                    "Largest catalogue FILE read, in bytes or with a unit such as 1GiB (default 256MiB; 1 byte "
                    "to 1TiB)")
        ->check(CLI::Validator(
            [](std::string& value) {
                return value.find_first_of("+-") == std::string::npos
                           ? std::string()
                           : "a size is a whole number of bytes, with no sign";
            },
            "SIZE"))
        ->transform(CLI::AsSizeValue(false))
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 40));
}

refhost::WorkLimits WorkLimitOptions::limits() const {
    refhost::WorkLimits limits;
    limits.time = refhost::timeLimitOf(seconds);
    limits.triangles = triangles;
    return limits;
}

void addWorkLimitOptions(CLI::App& command, WorkLimitOptions& options) {
    command
        .add_option("--time-limit", options.seconds,
                    "Seconds each part's evaluation and exports may take before they end with a reason (0: no limit)")
        ->check(CLI::Range(0.0, 86400.0))
        ->capture_default_str();
    command
        .add_option(
            "--triangle-limit", options.triangles,
            "Triangles a part's meshes may hold; a part needing more is meshed coarser or refused (0: no limit)")
        ->check(CLI::Range(std::size_t{0}, std::size_t{1} << 40))
        ->capture_default_str();
}

CLI::Option* addOutputOption(CLI::App& command, const std::string& name, std::string& path,
                             const std::string& description) {
    return command.add_option(name, path, description)
        ->check(CLI::Validator(
            [](std::string& value) { return value.empty() ? std::string("an empty file name") : std::string(); },
            "FILE"));
}

std::vector<std::string> aspectsFor(const std::string& choice) {
    if (choice == "physical") return {std::string(contract::aspectName(contract::Aspect::Physical))};
    if (choice == "insulation") return {std::string(contract::aspectName(contract::Aspect::Insulation))};
    return contract::allAspectNames();
}

} // namespace tcv::cli
