// The subcommands of `checkvalve`, one source file each. Each sets the process exit code: 0 success,
// 1 an evaluation failed, 2 a bad command line or input file; its --help footer says what each means for
// it (addExitCodes, CommandHelp.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "CommandHelp.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/MessageText.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadInput = 2;

void addDefinitionCommand(CLI::App& app, int& exitCode);
void addEvalCommand(CLI::App& app, int& exitCode);
void addGalleryCommand(CLI::App& app, int& exitCode);
void addSamplesCommand(CLI::App& app, int& exitCode);
void addValidateCommand(CLI::App& app, int& exitCode);
void addBenchCommand(CLI::App& app, int& exitCode);
void addServeCommand(CLI::App& app, int& exitCode);
void addConvertCommand(CLI::App& app, int& exitCode);
void addDiffCommand(CLI::App& app, int& exitCode);
void addPlaceCommand(CLI::App& app, int& exitCode);
// The server's own hidden command that meshes a shape in a process it can kill (ExportProcess.h).
void addMeshShapeCommand(CLI::App& app, int& exitCode);
// The hidden command that prints the bash completion script, made from `app`'s commands and options; add
// it last.
void addCompletionCommand(CLI::App& app, int& exitCode);

// The values of the IFC options a command takes, as given.
struct IfcChoices {
    std::string geometry = "exact";
    std::string curves = "indexed";
    std::string coverings = "cut";
};
// Adds --ifc-geometry exact|mesh, --ifc-curves indexed|composite, --ifc-coverings cut|envelope and
// --ifc-library FILE to a command that writes IFC (PlaceCommand.cpp).
void addIfcOptions(CLI::App& command, IfcChoices& choices, std::string& library);
// The writer's options from the values of those options.
exports::IfcOptions ifcOptionsFor(const IfcChoices& choices);
// Adds those options but --ifc-library (place has no library).
void addIfcShapeOptions(CLI::App& command, IfcChoices& choices);
// Writes the parts' types as an IFC content library at `path`, leaving out the parts that cannot be
// written; reports what happened on stderr under `command`'s name, one line per part left out. False when
// the file could not be written or a part was left out of it.
bool writeIfcLibrary(const std::string& command, const std::vector<catalog::PartReport>& reports,
                     const std::string& path, const exports::IfcOptions& options);

// The parts a command works on: those of FILE, or the built-in samples when FILE is empty; narrowed to
// one part by name when `partName` is given. Raises catalog::CatalogError with a clear message.
// A catalogue FILE larger than `maxCatalogBytes` is refused unread.
std::vector<refhost::CatalogPart> selectParts(const std::string& file, const std::string& partName,
                                              std::uint64_t maxCatalogBytes = catalog::kDefaultMaxCatalogBytes);

// Adds --max-catalog-size (bytes, or with a unit: "1GiB") to a command that reads a catalogue.
void addCatalogSizeOption(CLI::App& command, std::uint64_t& maxCatalogBytes);

// An option that takes one of `choices`, in any case ("Physical" is "physical"), stored as listed.
CLI::Option* addChoiceOption(CLI::App& command, const std::string& name, std::string& value,
                             std::vector<std::string> choices, const std::string& description);

// --jobs/-j: how many parts are worked on at once, 1 to 64 in every command.
CLI::Option* addJobsOption(CLI::App& command, unsigned& jobs, const std::string& description);

// Adds a path option for a file the command writes; an empty path is a command-line error.
CLI::Option* addOutputOption(CLI::App& command, const std::string& name, std::string& path,
                             const std::string& description);

// The work budget of every part a command evaluates: --time-limit (seconds, 0 for none) and
// --triangle-limit (triangles its meshes may hold, 0 for none).
struct WorkLimitOptions {
    double seconds = 30;
    std::size_t triangles = refhost::kDefaultTriangleLimit;
    refhost::WorkLimits limits() const;
};
void addWorkLimitOptions(CLI::App& command, WorkLimitOptions& options);

// A name or message as printed to a terminal: control characters escaped.
inline std::string printable(const std::string& text) { return catalog::escapedControls(text); }

// Prints every problem of a catalogue error on its own line, "checkvalve <command>: <problem>", and how
// many more there were beyond those reported.
void printCatalogError(const std::string& command, const catalog::CatalogError& error);

// The aspects named by --aspect: "physical", "insulation" or "both".
std::vector<std::string> aspectsFor(const std::string& choice);

} // namespace tcv::cli
