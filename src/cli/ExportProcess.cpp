#include "ExportProcess.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The last line the child wrote to its error stream: its reason, as `checkvalve eval` words it.
std::string lastLine(const std::string& path) {
    std::ifstream in(path);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    const std::string prefix = "checkvalve eval: ";
    return last.rfind(prefix, 0) == 0 ? last.substr(prefix.size()) : last;
}

void writeWhole(const std::string& path, const std::string& text, const std::string& label) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out.flush()) throw exports::ExportError("cannot write a scratch file for the " + label + " export");
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
    std::vector<std::string> arguments = {ownProgram(label),
                                          "eval",
                                          part,
                                          std::string("--") + format.name,
                                          file,
                                          "--time-limit",
                                          std::to_string(seconds),
                                          "--triangle-limit",
                                          std::to_string(limits.triangles)};
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
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
    // The child's own temporary files go inside this export's scratch folder, so that they go with it
    // even when the child is killed before it could remove them.
    std::vector<std::string> environment{"TMPDIR=" + scratch.folder()};
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
        if (budget.stopped()) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            budget.check("writing " + label);
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    // Exit 1 still writes the file when only an aspect failed: what it added is exported.
    const bool exited = WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
    std::string bytes;
    if (exited) try {
            bytes = exports::readFileBytes(file);
        } catch (const exports::ExportError&) {
        }
    if (bytes.empty()) {
        const std::string reason = lastLine(log);
        throw exports::ExportError(reason.empty() ? "the process writing " + label + " failed" : reason);
    }
    return bytes;
}

} // namespace tcv::cli
