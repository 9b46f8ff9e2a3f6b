// pelorin: the suite's jobs for scripts and terminal users.
#include <algorithm>
#include <iostream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/CommandHelp.h"
#include "cli/DecryptCommands.h"
#include "cli/DeleteCommand.h"
#include "cli/EncryptCommands.h"
#include "cli/SettingsCommand.h"
#include "cli/TestCommand.h"
#include "cli/WipeCommands.h"
#include "cli/WipeDriveCommand.h"
#include "app_common/Setting.h"
#include "app_common/TemporaryFiles.h"
#include "cli/Stop.h"
#include "archive/WorkerPool.h"
#include "platform/Process.h"
#include "platform/Terminal.h"

#ifndef PELORIN_VERSION
#error "the build passes PELORIN_VERSION, the project's version"
#endif

namespace {

constexpr const char* kVersionText = "pelorin " PELORIN_VERSION "\nWritten by Tarn6 Software.\n";

constexpr const char* kOverviewHead =
    "Usage: pelorin COMMAND [OPTIONS] [--] NAME...\n"
    "  or:  pelorin help [COMMAND]\n"
    "  or:  pelorin COMMAND --help\n"
    "  or:  pelorin --version\n"
    "Encrypts files and folders into .pvb archives (ChaCha20-Poly1305 with a key\n"
    "from Argon2id, or one of eight classic ciphers), restores and tests them,\n"
    "and overwrites files, free space and whole volumes before what they held is\n"
    "deleted.\n"
    "\n"
    "Commands:\n";

constexpr const char* kOverviewTail =
    "\n"
    "Every command takes its options first; -- ends them, and every word after it\n"
    "is a name as it stands. N is the number of overwrite passes (default 3).\n"
    "Messages go to standard error. Ctrl-C asks before a job stops, and --yes or\n"
    "--no answer such questions in scripts. `pelorin help COMMAND` shows a\n"
    "command's options and exit statuses; `pelorin help report` the fields of\n"
    "the erasure report the wipe commands write with --report FILE.\n";

constexpr const char* kEnvironment =
    "Environment:\n"
    "  PELORIN_PASSKEY         the passkey, when no --passkey-file is given\n"
    "  PELORIN_CIPHER_THREADS  threads for the cipher work, 1 to 64 (default: one\n"
    "                          per core, at most 16)\n"
    "  XDG_CONFIG_HOME         the folder of the settings (default ~/.config)\n"
    "  XDG_STATE_HOME          the folder of the journal of temporary files\n"
    "                          (default ~/.local/state)\n";

std::string Overview() {
    std::size_t width = 0;
    for (const auto& command : pelorin::cli::kCommandHelp) width = std::max(width, command.name.size());
    std::ostringstream text;
    text << kOverviewHead;
    for (const auto& command : pelorin::cli::kCommandHelp) {
        text << "  " << command.name << std::string(width + 2 - command.name.size(), ' ') << command.summary << "\n";
    }
    text << kOverviewTail;
    return text.str();
}

// A command's options, one line each (or more, where the text breaks),
// with their texts in one column two spaces after the longest option.
std::string OptionLines(std::span<const pelorin::cli::OptionHelp> options) {
    const auto head = [](const pelorin::cli::OptionHelp& option) {
        return std::string(option.names) + (option.argument.empty() ? "" : " " + std::string(option.argument));
    };
    std::size_t width = 0;
    for (const auto& option : options) width = std::max(width, head(option).size());
    std::string lines;
    for (const auto& option : options) {
        std::string line = "  " + head(option);
        std::string_view text = option.text;
        for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1)) {
            lines += line + std::string(width + 4 - line.size(), ' ') + std::string(text.substr(0, end)) + "\n";
            line.clear();
        }
        lines += line + std::string(width + 4 - line.size(), ' ') + std::string(text) + "\n";
    }
    return lines;
}

std::string CommandText(const pelorin::cli::CommandHelp& command) {
    std::string text = std::string(command.usage) + "\n" + std::string(command.about) + "\n";
    if (!command.options.empty()) text += "options:\n" + OptionLines(command.options) + "\n";
    return text + std::string(command.statuses);
}

// Every line indented by two spaces, blank lines left blank.
std::string Indented(const std::string& text) {
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) out += line.empty() ? "\n" : "  " + line + "\n";
    return out;
}

// The overview, then every command's help: what `pelorin --help` prints,
// and so what the manual page is made from.
std::string FullHelp() {
    std::string text = Overview();
    for (const auto& command : pelorin::cli::kCommandHelp) {
        text += "\n" + std::string(command.name) + ":\n" + Indented(CommandText(command));
    }
    return text + "\n" + std::string(pelorin::cli::kReportHelp) + "\n" + kEnvironment;
}

bool AsksForHelp(const std::vector<std::string>& arguments) {
    for (const auto& word : arguments) {
        if (word == "--") return false;
        if (word == "--help" || word == "-h") return true;
    }
    return false;
}

// Text on standard output, and whether all of it got there (a full disk or
// a closed pipe is an error, not a success).
int Print(const std::string& text) {
    std::cout << text << std::flush;
    if (std::cout) return 0;
    std::cerr << "pelorin: the text could not be written to standard output\n";
    return 1;
}

int Help(const std::vector<std::string>& arguments) {
    if (arguments.empty() || (arguments.size() == 1 && AsksForHelp(arguments))) return Print(FullHelp());
    if (arguments.size() > 1) {
        std::cerr << "pelorin: help takes one command name\n" << Overview();
        return pelorin::cli::kUsageError;
    }
    if (arguments[0] == pelorin::cli::kReportTopic) return Print(std::string(pelorin::cli::kReportHelp));
    const auto* command = pelorin::cli::FindCommandHelp(arguments[0]);
    if (command == nullptr) {
        std::cerr << "pelorin: no command named " << arguments[0] << "\n" << Overview();
        return pelorin::cli::kUsageError;
    }
    return Print(CommandText(*command));
}

}  // namespace

int main(int argc, char** argv) {
    const pelorin::platform::Utf8Output utf8Output;
    const std::vector<std::string> words = pelorin::platform::ProgramArguments(argc, argv);
    if (words.empty()) {
        std::cerr << Overview();
        return pelorin::cli::kUsageError;
    }
    const std::string& command = words[0];
    const std::vector<std::string> arguments(words.begin() + 1, words.end());
    if (command == "--version") return Print(kVersionText);
    if (command == "--help" || command == "-h" || command == "help") return Help(arguments);
    if (pelorin::cli::FindCommandHelp(command) != nullptr && AsksForHelp(arguments)) return Help({command});

    // A setting out of its range (a hand-edited file) is named where it is read.
    pelorin::SetSettingWarning([](const std::string& text) {
        std::cerr << "pelorin: " << pelorin::cli::EscapedForTerminal(text) << "\n";
    });
    // A fill file that a killed run left behind holds a volume's free
    // space, and a killed restore's file may hold plaintext: they go first,
    // and the user hears of it.
    std::vector<std::string> kept;
    std::string untrusted;
    for (const auto& removed : pelorin::RemoveLeftoverTemporaries(&kept, &untrusted)) {
        std::cerr << "pelorin: removed " << pelorin::cli::EscapedForTerminal(removed)
                  << ", a temporary file left behind by an interrupted job\n";
    }
    if (!untrusted.empty()) {
        std::cerr << "pelorin: the journal of temporary files " << pelorin::cli::EscapedForTerminal(untrusted)
                  << " is not yours alone (another user owns it or may write to it), so it is neither read nor "
                     "written\n";
    }
    for (const auto& name : kept) {
        std::cerr << "pelorin: kept " << pelorin::cli::EscapedForTerminal(name) << ": " << pelorin::kMaybeLeftoverText
                  << "\n";
    }
    pelorin::archive::StartJobWorkers();
    if (command == "encrypt") return pelorin::cli::RunEncrypt(arguments);
    if (command == "settings") return pelorin::cli::RunSettings(arguments);
    if (command == "decrypt") return pelorin::cli::RunDecrypt(arguments);
    if (command == "import") return pelorin::cli::RunImport(arguments);
    if (command == "list") return pelorin::cli::RunList(arguments);
    if (command == "test") return pelorin::cli::RunTest(arguments);
    if (command == "delete") return pelorin::cli::RunDelete(arguments);
    if (command == "wipe-file") return pelorin::cli::RunWipeFile(arguments);
    if (command == "wipe-free") return pelorin::cli::RunWipeFree(arguments);
    if (command == "wipe-slack") return pelorin::cli::RunWipeSlack(arguments);
    if (command == "wipe-drive") return pelorin::cli::RunWipeDrive(arguments);
    std::cerr << "pelorin: unknown command " << command << "\n" << Overview();
    return pelorin::cli::kUsageError;
}
