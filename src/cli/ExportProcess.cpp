#include "ExportProcess.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Commands.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/StagedFile.h"

extern char** environ;

namespace tcv::cli {

namespace {

// How often the parent looks at the child and at the budget.
constexpr std::chrono::milliseconds kPollInterval{10};

std::string ownProgram(const std::string& label) {
    std::vector<char> path(4096);
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) throw exports::ExportError("cannot find this program to write " + label + " with");
    return std::string(path.data(), static_cast<std::size_t>(length));
}

// The last line the child wrote to its error stream, without the command's own `prefix`: its reason.
std::string lastLine(const std::string& path, const std::string& prefix) {
    std::ifstream in(path);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last.rfind(prefix, 0) == 0 ? last.substr(prefix.size()) : last;
}

void writeWhole(const std::string& path, const std::string& text, const std::string& label) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out.flush()) throw exports::ExportError("cannot write a scratch file for the " + label + " export");
}

// Runs this program with `arguments` (after its own path) in a process of its own, its error stream into
// `log`, until it ends or the budget does (the process is then killed and refhost::WorkStopped raised).
// Returns its wait status.
int runChild(const std::vector<std::string>& arguments, const std::string& scratchFolder, const std::string& log,
             const std::string& label, const refhost::WorkBudget* budget) {
    std::vector<std::string> command{ownProgram(label)};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : command) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that a signal meant for the server's terminal does not reach it, and the
    // server's own handling of stop signals is not inherited.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    // The child's own temporary files go inside the caller's scratch folder, so that they go with it even
    // when the child is killed before it could remove them.
    std::vector<std::string> environment{"TMPDIR=" + scratchFolder};
    for (char** variable = environ; *variable; ++variable)
        if (std::string_view(*variable).rfind("TMPDIR=", 0) != 0) environment.emplace_back(*variable);
    std::vector<char*> envp;
    for (auto& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) throw exports::ExportError("cannot start a process to write " + label);

    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0) throw exports::ExportError("lost the process writing " + label);
        if (budget && budget->stopped()) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            budget->check("writing " + label);
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return status;
}

// "%.17g": a number the other process reads back to the same double.
std::string exactNumber(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

} // namespace

std::string renderInChild(const exports::ExportFormat& format, const std::string& partJson,
                          const refhost::WorkBudget& budget) {
    const std::string label = format.label;
    const exports::ScratchFolder scratch;
    const std::string part = scratch.path("part.json"), file = scratch.path(std::string("part") + format.extension),
                      log = scratch.path("log");
    writeWhole(part, partJson, label);

    const refhost::WorkLimits& limits = budget.limits();
    const double seconds = static_cast<double>(limits.time.count()) / 1e6;
    const int status = runChild({"eval", part, std::string("--") + format.name, file, "--time-limit",
                                 std::to_string(seconds), "--triangle-limit", std::to_string(limits.triangles)},
                                scratch.folder(), log, label, &budget);
    // Exit 1 still writes the file when only an aspect failed: what it added is exported.
    const bool exited = WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
    std::string bytes;
    if (exited) try {
            bytes = exports::readFileBytes(file);
        } catch (const exports::ExportError&) {
        }
    if (bytes.empty()) {
        const std::string reason = lastLine(log, "checkvalve eval: ");
        throw exports::ExportError(reason.empty() ? "the process writing " + label + " failed" : reason);
    }
    return bytes;
}

void meshInChild(const exports::IsolatedMeshJob& job, const refhost::WorkBudget* budget) {
    const exports::ScratchFolder scratch;
    const std::string log = scratch.path("log");
    const int status =
        runChild({kMeshShapeCommand, job.shapeFile, job.meshedFile, "--size", exactNumber(job.size), "--linear",
                  exactNumber(job.linearDeflection), "--angular", exactNumber(job.angularDeflection)},
                 scratch.folder(), log, "meshes", budget);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const std::string reason = lastLine(log, std::string("checkvalve ") + kMeshShapeCommand + ": ");
        throw exports::ExportError(reason.empty() ? "the process meshing a shape failed" : reason);
    }
}

void addMeshShapeCommand(CLI::App& app, int& exitCode) {
    auto job = std::make_shared<exports::IsolatedMeshJob>();
    auto* command = app.add_subcommand(kMeshShapeCommand, "Mesh one shape file for the server");
    command->group(""); // the server's own; not listed
    command->add_option("SHAPE", job->shapeFile)->required();
    command->add_option("MESHED", job->meshedFile)->required();
    command->add_option("--size", job->size)->required()->check(CLI::PositiveNumber);
    command->add_option("--linear", job->linearDeflection)->required()->check(CLI::PositiveNumber);
    command->add_option("--angular", job->angularDeflection)->required()->check(CLI::PositiveNumber);
    command->callback([&exitCode, job] {
        // Nobody waits for the triangles once the server has gone.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        try {
            exports::meshShapeFile(*job);
            exitCode = kExitOk;
        } catch (const exports::ExportError& error) {
            std::cerr << "checkvalve " << kMeshShapeCommand << ": " << error.what() << "\n";
            exitCode = kExitFailed;
        }
    });
}

} // namespace tcv::cli
