// The subcommands of `checkvalve`, one source file each. Each sets the process exit code: 0 success,
// 1 an evaluation failed, 2 a bad command line or input file.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "refhost/Parts.h"

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

// The parts a command works on: those of FILE, or the built-in samples when FILE is empty; narrowed to
// one part by name when `partName` is given. Raises refhost::CatalogError with a clear message.
std::vector<refhost::PartSpec> selectParts(const std::string& file, const std::string& partName);

// The aspects named by --aspect: "physical", "insulation" or "both".
std::vector<std::string> aspectsFor(const std::string& choice);

} // namespace tcv::cli
