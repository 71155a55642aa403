// `checkvalve samples`: lists the built-in sample parts.
#include <iomanip>
#include <iostream>
#include <memory>

#include "CliJson.h"
#include "Commands.h"
#include "tarncheckvalve/catalog/Catalog.h"

namespace tcv::cli {

namespace {

int listSamples(bool asJson) {
    std::vector<refhost::CatalogPart> parts;
    try {
        parts = catalog::loadSampleCatalog();
    } catch (const catalog::CatalogError& error) {
        std::cerr << "checkvalve samples: " << error.what() << "\n";
        return kExitBadInput;
    }
    if (asJson) {
        std::cout << samplesJson(parts).dump(2) << "\n";
        return kExitOk;
    }
    std::cout << std::left << std::setw(40) << "name" << std::setw(8) << "PDB"
              << "description\n";
    for (const auto& part : parts)
        std::cout << std::left << std::setw(40) << part.name << std::setw(8) << part.partDataBasis << part.description
                  << "\n";
    return kExitOk;
}

} // namespace

void addSamplesCommand(CLI::App& app, int& exitCode) {
    auto asJson = std::make_shared<bool>(false);
    auto* command = app.add_subcommand("samples", "List the built-in sample parts");
    command->add_flag("--json", *asJson, "Print the list as JSON");
    addExitCodes(*command, {"the list printed", "", "the sample catalogue could not be read"});
    command->callback([&exitCode, asJson] { exitCode = listSamples(*asJson); });
}

} // namespace tcv::cli
