// pelorin_completions: writes the zsh or the fish completion of the tool
// from the tables its help prints from (the commands and their options),
// the settings it shows and the ciphers it takes, so that the completions
// offer what the tool takes and nothing else. Run at build time; the
// scripts are installed with the tool.
// Usage: pelorin_completions zsh|fish FILE
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cipher/Algorithm.h"
#include "cli/CommandHelp.h"
#include "cli/SettingsTable.h"

namespace {

using namespace pelorin::cli;

// "--yes, --no" is two options that share a line of the help.
std::vector<std::string_view> OptionNames(std::string_view names) {
    std::vector<std::string_view> split;
    for (std::size_t comma; (comma = names.find(", ")) != std::string_view::npos; names.remove_prefix(comma + 2)) {
        split.push_back(names.substr(0, comma));
    }
    split.push_back(names);
    return split;
}

// The help's text on one line, as a completion shows it.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (auto& c : line) {
        if (c == '\n') c = ' ';
    }
    return line;
}

// Every way --algorithm takes a cipher: its number, its name, and the name
// its dialog button gives it where that differs ("Pseudo-RC4").
std::vector<std::string> AlgorithmWords(bool withModern) {
    std::vector<std::string> words;
    for (const auto& info : pelorin::kAlgorithms) words.push_back(std::to_string(static_cast<int>(info.number)));
    for (const auto& info : pelorin::kAlgorithms) {
        words.emplace_back(info.messageName);
        std::string label;
        for (const char c : info.dialogLabel) {
            if (c != '&') label += c;
        }
        if (label != info.messageName) words.push_back(label);
    }
    if (withModern) {
        for (const char* word : {"9", "ChaCha20-Poly1305", "ChaCha20"}) words.emplace_back(word);
    }
    return words;
}

std::vector<std::string> ValueWords(const OptionHelp& option) {
    if (option.value == ValueKind::Algorithm || option.value == ValueKind::AnyAlgorithm) {
        return AlgorithmWords(option.value == ValueKind::AnyAlgorithm);
    }
    return {option.choices.begin(), option.choices.end()};
}

std::string Joined(const std::vector<std::string>& words) {
    std::string joined;
    for (const auto& word : words) joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

// Text inside a shell's single quotes, where a quote is written as
// `close` (what closes, escapes and reopens the quotes).
std::string Quoted(std::string_view text, std::string_view close) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += close;
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}
std::string ZshQuoted(std::string_view text) { return Quoted(text, "'\\''"); }
std::string FishQuoted(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return Quoted(escaped, "\\'");
}

// An explanation in _arguments' brackets: brackets and colons are escaped.
std::string ZshExplanation(std::string_view text) {
    std::string escaped;
    for (const char c : OneLine(text)) {
        if (c == '[' || c == ']' || c == ':' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

constexpr std::string_view kHelpText = "show the help";

void WriteZsh(std::ostream& out) {
    out << "#compdef pelorin\n"
           "# zsh completion for pelorin, made by pelorin_completions from the tool's own\n"
           "# tables of commands, options, settings and ciphers.\n\n"
           "_pelorin() {\n"
           "  local curcontext=$curcontext state line\n"
           "  local -a commands\n"
           "  commands=(\n";
    for (const auto& command : kCommandHelp) {
        out << "    " << ZshQuoted(std::string(command.name) + ":" + std::string(command.summary)) << "\n";
    }
    out << "    'help:show the help of a command'\n"
           "  )\n"
           "  _arguments -C \\\n"
           "    '(- :)--help[show the help of every command]' \\\n"
           "    '(- :)--version[show the version]' \\\n"
           "    '1: :->command' \\\n"
           "    '*:: :->arguments'\n"
           "  case $state in\n"
           "    command) _describe -t commands 'pelorin command' commands ;;\n"
           "    arguments)\n"
           "      curcontext=${curcontext%:*:*}:pelorin-$words[1]:\n"
           "      case $words[1] in\n"
           "        help) (( CURRENT == 2 )) && _describe -t commands 'pelorin command' commands ;;\n";
    for (const auto& command : kCommandHelp) {
        out << "        " << command.name << ")\n"
            << "          _arguments -S \\\n";
        for (const auto& option : command.options) {
            const auto names = OptionNames(option.names);
            for (const auto name : names) {
                std::string exclusive;
                for (const auto other : names) {
                    if (other != name) exclusive += (exclusive.empty() ? "" : " ") + std::string(other);
                }
                std::string argumentsWord = option.repeatable ? "*" : "";
                if (!exclusive.empty()) argumentsWord += "(" + exclusive + ")";
                argumentsWord += std::string(name) + (option.value == ValueKind::None ? "" : "=");
                argumentsWord += "[" + ZshExplanation(option.text) + "]";
                switch (option.value) {
                    case ValueKind::None: break;
                    case ValueKind::Number:
                    case ValueKind::Text: argumentsWord += ":" + std::string(option.argument) + ": "; break;
                    case ValueKind::File: argumentsWord += ":file:_files"; break;
                    case ValueKind::Algorithm:
                    case ValueKind::AnyAlgorithm:
                    case ValueKind::Choice:
                        argumentsWord += ":" + std::string(option.argument) + ":(" + Joined(ValueWords(option)) + ")";
                        break;
                }
                out << "            " << ZshQuoted(argumentsWord) << " \\\n";
            }
        }
        out << "            " << ZshQuoted("(- *)--help[" + std::string(kHelpText) + " of " + std::string(command.name) + "]")
            << " \\\n";
        switch (command.operands) {
            case OperandKind::Names: out << "            '*:name:_files'\n"; break;
            case OperandKind::Folders: out << "            '*:folder:_files -/'\n"; break;
            case OperandKind::Settings: {
                std::string programs;
                for (const auto& program : kPrograms) programs += (programs.empty() ? "" : " ") + std::string(program.program);
                out << "            '1:program:(" << programs << ")' \\\n"
                    << "            '2:setting:->setting' \\\n"
                    << "            '3:value: '\n"
                    << "          [[ $state == setting ]] && case $words[2] in\n";
                for (const auto& program : kPrograms) {
                    std::string names;
                    for (const auto& value : program.values) names += (names.empty() ? "" : " ") + std::string(value.setting.name);
                    out << "            " << program.program << ") _values setting " << names << " ;;\n";
                }
                out << "          esac\n";
                break;
            }
        }
        out << "          ;;\n";
    }
    out << "      esac\n"
           "      ;;\n"
           "  esac\n"
           "}\n\n"
           "_pelorin \"$@\"\n";
}

void WriteFish(std::ostream& out) {
    out << "# fish completion for pelorin, made by pelorin_completions from the tool's own\n"
           "# tables of commands, options, settings and ciphers.\n\n"
           "# True when the words before the cursor, after pelorin, are exactly these.\n"
           "function __pelorin_words_are\n"
           "    set -l words (commandline -opc)\n"
           "    set -e words[1]\n"
           "    test (count $words) -eq (count $argv); and test \"$words\" = \"$argv\"\n"
           "end\n\n"
           "# True when the command (the word after pelorin) is this one.\n"
           "function __pelorin_command_is\n"
           "    set -l words (commandline -opc)\n"
           "    test (count $words) -ge 2; and test \"$words[2]\" = $argv[1]\n"
           "end\n\n"
           "complete -c pelorin -n '__pelorin_words_are' -f -l help -d 'show the help of every command'\n"
           "complete -c pelorin -n '__pelorin_words_are' -f -l version -d 'show the version'\n";
    for (const auto& command : kCommandHelp) {
        out << "complete -c pelorin -n '__pelorin_words_are' -f -a " << command.name << " -d "
            << FishQuoted(command.summary) << "\n";
    }
    out << "complete -c pelorin -n '__pelorin_words_are' -f -a help -d 'show the help of a command'\n";
    for (const auto& command : kCommandHelp) {
        out << "complete -c pelorin -n '__pelorin_words_are help' -f -a " << command.name << " -d "
            << FishQuoted(command.summary) << "\n";
    }
    for (const auto& command : kCommandHelp) {
        const std::string when = "-n '__pelorin_command_is " + std::string(command.name) + "'";
        out << "\n";
        for (const auto& option : command.options) {
            for (const auto name : OptionNames(option.names)) {
                out << "complete -c pelorin " << when << " -l " << name.substr(2);
                switch (option.value) {
                    case ValueKind::None: break;
                    case ValueKind::Number:
                    case ValueKind::Text: out << " -x"; break;
                    case ValueKind::File: out << " -r -F"; break;
                    case ValueKind::Algorithm:
                    case ValueKind::AnyAlgorithm:
                    case ValueKind::Choice: out << " -x -a " << FishQuoted(Joined(ValueWords(option))); break;
                }
                out << " -d " << FishQuoted(OneLine(option.text)) << "\n";
            }
        }
        out << "complete -c pelorin " << when << " -l help -d "
            << FishQuoted(std::string(kHelpText) + " of " + std::string(command.name)) << "\n";
        switch (command.operands) {
            case OperandKind::Names: break;  // fish offers files by itself
            case OperandKind::Folders:
                out << "complete -c pelorin " << when << " -f -a '(__fish_complete_directories)'\n";
                break;
            case OperandKind::Settings:
                out << "complete -c pelorin " << when << " -f\n";
                for (const auto& program : kPrograms) {
                    out << "complete -c pelorin -n '__pelorin_words_are " << command.name << "' -f -a "
                        << program.program << "\n";
                    std::string names;
                    for (const auto& value : program.values) names += (names.empty() ? "" : " ") + std::string(value.setting.name);
                    out << "complete -c pelorin -n '__pelorin_words_are " << command.name << " " << program.program
                        << "' -f -a " << FishQuoted(names) << "\n";
                }
                break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view shell = argc == 3 ? argv[1] : "";
    if (shell != "zsh" && shell != "fish") {
        std::cerr << "usage: pelorin_completions zsh|fish FILE\n";
        return 2;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    if (shell == "zsh") {
        WriteZsh(out);
    } else {
        WriteFish(out);
    }
    out.close();
    if (!out) {
        std::cerr << "pelorin_completions: " << argv[2] << " could not be written\n";
        return 1;
    }
    return 0;
}
