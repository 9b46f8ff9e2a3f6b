#include "cli/EncryptCommands.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "app_common/ForwardingUi.h"
#include "app_common/JobExit.h"
#include "cipher/Algorithm.h"
#include "cli/TerminalUi.h"
#include "encrypt_app/EncryptJob.h"
#include "encrypt_app/EncryptSettings.h"

namespace pelorin::cli {
namespace {

constexpr int kUsageError = 2;
constexpr const char* kEncryptUsage =
    "usage: pelorin encrypt [--algorithm A] [--delete-sources] [--passkey-file FILE] [--yes|--no] NAME...\n"
    "  A is a number 0..7 or a name: ASCII, BlowFish, DES, IDEA, NewDES, RC4, Safer, Vigenere.\n"
    "  The passkey comes from PELORIN_PASSKEY, the first line of FILE, or is typed twice.\n";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::optional<int> AlgorithmFromText(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '7') return text[0] - '0';
    for (const auto& info : kAlgorithms) {
        if (Lower(text) == Lower(std::string(info.messageName))) return static_cast<int>(info.number);
    }
    if (Lower(text) == "pseudo-rc4" || Lower(text) == "pseudorc4") return static_cast<int>(Algorithm::PseudoRc4);
    return std::nullopt;
}

// The main dialog's questions answered by the command line.
class CommandLineEncryptUi final : public ForwardingUi<encrypt::EncryptUi> {
public:
    explicit CommandLineEncryptUi(TerminalUi& terminalUi) : ForwardingUi(terminalUi), terminal(terminalUi) {}

    void ShowNoFilesDialog() override { std::cerr << kEncryptUsage; }

    bool RunEncryptDialog(encrypt::EncryptDialogModel& model) override {
        if (algorithm) model.selectedAlgorithm = *algorithm;
        if (deleteSources) model.deleteSource = true;
        if (!ReadPasskey(passkeyFile, true, model.passkey, model.verify)) {
            ShowMessage("no passkey: set PELORIN_PASSKEY, give --passkey-file, or run on a terminal", std::nullopt,
                        MessageIcon::Exclamation);
            validationFailed = true;
            return false;
        }
        if (!model.ValidateOk(*this, encrypt::PasskeyHashingOn(*settings))) {
            validationFailed = true;
            return false;
        }
        return true;
    }

    TerminalUi& terminal;
    std::optional<int> algorithm;
    bool deleteSources = false;
    std::optional<std::string> passkeyFile;
    platform::SettingsStore* settings = nullptr;
    bool validationFailed = false;
};

}  // namespace

int RunEncrypt(const std::vector<std::string>& arguments) {
    TerminalUi terminal;
    CommandLineEncryptUi ui(terminal);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        if (a == "--algorithm") {
            const auto text = value();
            ui.algorithm = text ? AlgorithmFromText(*text) : std::nullopt;
            if (!ui.algorithm) {
                std::cerr << "pelorin: unknown algorithm\n" << kEncryptUsage;
                return kUsageError;
            }
        } else if (a == "--delete-sources") {
            ui.deleteSources = true;
        } else if (a == "--passkey-file") {
            ui.passkeyFile = value();
            if (!ui.passkeyFile) return kUsageError;
        } else if (a == "--yes") {
            ui.terminal.presetAnswer = true;
        } else if (a == "--no") {
            ui.terminal.presetAnswer = false;
        } else if (a == "--passkey") {
            std::cerr << "pelorin: a passkey is never taken from the command line (other users can read it there); "
                         "use PELORIN_PASSKEY or --passkey-file\n";
            return kUsageError;
        } else if (a == "--") {
            names.insert(names.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
            break;
        } else {
            names.push_back(a);
        }
    }
    platform::SettingsStore settings(encrypt::kSettingsKey);
    ui.settings = &settings;
    TerminalProgress progress;
    try {
        std::string archive;
        const int status = encrypt::RunEncryptJob(names, ui, progress, settings, &archive);
        if (ui.validationFailed) return kUsageError;
        if (status == encrypt::kExitDone && !archive.empty()) std::cerr << "pelorin: wrote " << archive << "\n";
        return status;
    } catch (const JobExit& exit) {
        return exit.status();
    }
}

}  // namespace pelorin::cli
