// `checkvalve definition`: the definition the symbol declares, read back from the host's definition.
#include <iomanip>
#include <iostream>
#include <memory>

#include "CliJson.h"
#include "Commands.h"
#include "tarncheckvalve/refhost/RefRuntime.h"
#include "tarncheckvalve/refhost/SymbolEntities.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv::cli {

namespace {

int printDefinition(bool asJson) {
    host::RuntimeScope scope(std::make_shared<refhost::RefRuntime>());
    symbol::CCheckValve symbol;
    auto definition = std::dynamic_pointer_cast<refhost::RefSymbolDefinition>(
        symbol.InstanciateDefinition("checkvalve", {}, nullptr));

    if (asJson) {
        std::cout << definitionJson().dump(2) << "\n";
        return 0;
    }

    std::cout << "Symbol " << definition->progId() << "\n\nInputs\n";
    std::cout << "  pos  " << std::left << std::setw(20) << "name" << std::setw(30) << "description" << std::setw(12)
              << "properties"
              << "default\n";
    for (const auto& input : definition->inputs())
        std::cout << "  " << std::setw(5) << input.position << std::setw(20) << input.name << std::setw(30)
                  << input.description << std::setw(12) << input.properties << input.defaultValue << "\n";
    std::cout << "\nAspects\n";
    for (const auto& rep : definition->representations()) {
        std::cout << "  " << rep.name << " (code " << rep.identifier << "):";
        for (const auto& output : rep.outputs) std::cout << " " << output.name;
        std::cout << "\n";
    }
    std::cout << "\nEvaluations\n";
    for (const auto& ev : definition->evaluations())
        std::cout << "  " << ev.name << "  flags " << ev.flags << "  kind " << ev.kind << "  " << ev.progId << "\n";
    return 0;
}

} // namespace

void addDefinitionCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand("definition", "Print the definition the symbol declares to its host");
    auto asJson = std::make_shared<bool>(false);
    command->add_flag("--json", *asJson, "Print it as JSON");
    addExitCodes(*command, {"the definition printed", "", ""});
    command->callback([&exitCode, asJson] { exitCode = printDefinition(*asJson); });
}

} // namespace tcv::cli
