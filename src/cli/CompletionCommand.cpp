// `checkvalve bash-completion`: prints the program's bash completion script, made from its own command
// line definition, so that the installed script offers exactly the commands, options and choices the
// program has. Hidden: the build runs it to write the script it installs.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "tarncheckvalve/catalog/Catalog.h"

namespace tcv::cli {

namespace {

constexpr const char* kCompletionCommand = "bash-completion";

// What a value of an option or a positional argument completes to.
struct ValueCompletion {
    enum class Kind { Nothing, Words, Files, Folders } kind = Kind::Nothing;
    std::vector<std::string> words;
};

// Text in single quotes for bash.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string joined(const std::vector<std::string>& words, const std::string& separator) {
    std::string out;
    for (const auto& word : words) out += (out.empty() ? "" : separator) + word;
    return out;
}

// Hidden commands and options (group "") are the program's own: never offered.
bool listed(const CLI::App* command) { return !command->get_group().empty(); }
bool listed(const CLI::Option* option) { return !option->get_group().empty(); }

bool takesValue(const CLI::Option* option) { return option->get_items_expected_max() > 0; }
bool positionalOnly(const CLI::Option* option) {
    return option->get_lnames().empty() && option->get_snames().empty() && option->get_positional();
}

std::vector<std::string> names(const CLI::Option* option) {
    std::vector<std::string> out;
    for (const auto& name : option->get_lnames()) out.push_back("--" + name);
    for (const auto& name : option->get_snames()) out.push_back("-" + name);
    return out;
}

// The choices of a CLI::IsMember check, which describes itself as "{a,b,c}"; empty without one.
std::vector<std::string> choicesOf(const CLI::Option* option) {
    const std::string type = option->get_type_name();
    const auto open = type.find('{');
    const auto close = type.find('}', open);
    if (open == std::string::npos || close == std::string::npos) return {};
    std::vector<std::string> choices;
    std::istringstream list(type.substr(open + 1, close - open - 1));
    for (std::string choice; std::getline(list, choice, ',');) choices.push_back(choice);
    return choices;
}

ValueCompletion completionOf(const CLI::Option* option, const std::vector<std::string>& samples) {
    using Kind = ValueCompletion::Kind;
    if (auto choices = choicesOf(option); !choices.empty()) return {Kind::Words, std::move(choices)};
    const std::string name = positionalOnly(option) ? option->get_name(true) : option->get_name();
    if (name == "--sample") return {Kind::Words, samples};
    // Names and addresses, not files.
    if (name == "--part" || name == "--host") return {};
    // Numbers, sizes and times: nothing to offer. Every other text is a file or a folder.
    const std::string type = option->get_type_name();
    if (type.rfind("TEXT", 0) != 0) return {};
    const bool folder = name.size() >= 3 && name.compare(name.size() - 3, 3, "DIR") == 0;
    return {folder ? Kind::Folders : Kind::Files, {}};
}

std::string completionLine(const ValueCompletion& completion) {
    switch (completion.kind) {
    case ValueCompletion::Kind::Words:
        return "_checkvalve_words " + quoted(joined(completion.words, " "));
    case ValueCompletion::Kind::Files:
        return "_checkvalve_files";
    case ValueCompletion::Kind::Folders:
        return "_checkvalve_folders";
    case ValueCompletion::Kind::Nothing:
        break;
    }
    return ":";
}

// The case branch of one command: its options' values, its options, then its positional arguments.
void writeCommand(std::ostream& out, const CLI::App& command, const std::vector<std::string>& samples) {
    std::vector<std::string> optionNames;
    ValueCompletion positional;
    out << "        " << command.get_name() << ")\n";
    out << "            case $prev in\n";
    for (const CLI::Option* option : command.get_options()) {
        if (!listed(option)) continue;
        const ValueCompletion value = completionOf(option, samples);
        if (positionalOnly(option)) {
            // The command's positional arguments complete files when any of them is a file.
            if (value.kind == ValueCompletion::Kind::Files || positional.kind == ValueCompletion::Kind::Nothing)
                positional = value;
            continue;
        }
        const std::vector<std::string> optionWords = names(option);
        optionNames.insert(optionNames.end(), optionWords.begin(), optionWords.end());
        if (takesValue(option))
            out << "                " << joined(optionWords, "|") << ") " << completionLine(value) << "; return ;;\n";
    }
    out << "            esac\n";
    out << "            if [[ $cur == -* ]]; then _checkvalve_words " << quoted(joined(optionNames, " ")) << "; else "
        << completionLine(positional) << "; fi\n";
    out << "            ;;\n";
}

int printCompletionScript(const CLI::App& app) {
    std::vector<std::string> samples;
    try {
        for (const auto& part : catalog::loadSampleCatalog()) samples.push_back(part.name);
    } catch (const catalog::CatalogError& error) {
        std::cerr << "checkvalve " << kCompletionCommand << ": " << printable(error.what()) << "\n";
        return kExitFailed;
    }
    std::vector<std::string> commandNames;
    std::vector<std::string> rootOptions;
    for (const CLI::App* command : app.get_subcommands({}))
        if (listed(command)) commandNames.push_back(command->get_name());
    for (const CLI::Option* option : app.get_options())
        if (listed(option)) {
            const auto optionWords = names(option);
            rootOptions.insert(rootOptions.end(), optionWords.begin(), optionWords.end());
        }

    std::ostringstream out;
    out << "# bash completion for checkvalve, made by `checkvalve " << kCompletionCommand
        << "` from the program's own\n# command-line definition.\n"
           "_checkvalve_words() { mapfile -t COMPREPLY < <(compgen -W \"$1\" -- \"$cur\"); }\n"
           "_checkvalve_files() {\n"
           "    compopt -o filenames 2>/dev/null\n"
           "    mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
           "}\n"
           "_checkvalve_folders() {\n"
           "    compopt -o filenames 2>/dev/null\n"
           "    mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")\n"
           "}\n"
           "_checkvalve() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev= command= i\n"
           "    COMPREPLY=()\n"
           "    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
           "    # bash splits \"--option=value\" at the \"=\".\n"
           "    if [[ $cur == = ]]; then\n"
           "        cur=\n"
           "    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then\n"
           "        prev=${COMP_WORDS[COMP_CWORD - 2]}\n"
           "    fi\n"
           "    # The program's own options take no value: the first other word is the command.\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        if [[ ${COMP_WORDS[i]} != -* ]]; then\n"
           "            command=${COMP_WORDS[i]}\n"
           "            break\n"
           "        fi\n"
           "    done\n"
           "    case $command in\n"
           "        '')\n"
           "            if [[ $cur == -* ]]; then _checkvalve_words "
        << quoted(joined(rootOptions, " ")) << "; else _checkvalve_words " << quoted(joined(commandNames, " "))
        << "; fi\n"
           "            ;;\n";
    for (const CLI::App* command : app.get_subcommands({}))
        if (listed(command)) writeCommand(out, *command, samples);
    out << "    esac\n"
           "}\n"
           "complete -F _checkvalve checkvalve\n";
    std::cout << out.str();
    return kExitOk;
}

} // namespace

void addCompletionCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand(kCompletionCommand, "Print the bash completion script");
    command->group(""); // the build's own; not listed
    command->callback([&exitCode, &app] { exitCode = printCompletionScript(app); });
}

} // namespace tcv::cli
