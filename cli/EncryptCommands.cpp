#include "cli/EncryptCommands.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "app_common/JobExit.h"
#include "cipher/Algorithm.h"
#include "cli/TerminalUi.h"
#include "encrypt_app/EncryptJob.h"
#include "decrypt_app/DecryptSettings.h"
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
class CommandLineEncryptUi final : public encrypt::EncryptUi {
public:
    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        terminal.ShowMessage(text, caption, icon);
    }
    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        return terminal.AskYesNo(text, caption, icon);
    }

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
        const bool hash = settings->ReadOr(encrypt::kHashPasskey.name, encrypt::kHashPasskey.defaultValue) != 0;
        if (!model.ValidateOk(*this, hash)) {
            validationFailed = true;
            return false;
        }
        return true;
    }

    TerminalUi terminal;
    std::optional<int> algorithm;
    bool deleteSources = false;
    std::optional<std::string> passkeyFile;
    platform::SettingsStore* settings = nullptr;
    bool validationFailed = false;
};

}  // namespace

int RunEncrypt(const std::vector<std::string>& arguments) {
    CommandLineEncryptUi ui;
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

int RunSettings(const std::vector<std::string>& arguments) {
    if (arguments.empty() || (arguments[0] != "encrypt" && arguments[0] != "decrypt") || arguments.size() > 3) {
        std::cerr << "usage: pelorin settings encrypt|decrypt [NAME [VALUE]]\n";
        return kUsageError;
    }
    const bool encryptor = arguments[0] == "encrypt";
    platform::SettingsStore settings(encryptor ? encrypt::kSettingsKey : decrypt::kSettingsKey);
    const std::span<const encrypt::Setting> all =
        encryptor ? std::span<const encrypt::Setting>(encrypt::kAllSettings) : std::span<const encrypt::Setting>(decrypt::kAllSettings);
    const auto find = [&](const std::string& name) -> const encrypt::Setting* {
        for (const auto& s : all) {
            if (name == s.name) return &s;
        }
        return nullptr;
    };
    if (arguments.size() == 1) {
        for (const auto& s : all) {
            std::cout << s.name << "=" << static_cast<std::int32_t>(settings.ReadOr(s.name, s.defaultValue)) << "\n";
        }
        return 0;
    }
    const encrypt::Setting* setting = find(arguments[1]);
    if (setting == nullptr) {
        std::cerr << "pelorin: no setting named " << arguments[1] << "\n";
        return kUsageError;
    }
    if (arguments.size() == 2) {
        std::cout << static_cast<std::int32_t>(settings.ReadOr(setting->name, setting->defaultValue)) << "\n";
        return 0;
    }
    // Converted as the Options dialog converts its passes text; switching
    // remembering off forgets the remembered algorithm at once.
    const std::int32_t value = encrypt::PassesFromText(arguments[2]);
    settings.Write(setting->name, static_cast<std::uint32_t>(value));
    if (encryptor && std::string(setting->name) == encrypt::kLastAlg.name && value == 0) {
        settings.Write(encrypt::kActualAlg.name, 0);
    }
    if (!encryptor && std::string(setting->name) == decrypt::kStickDel.name && value == 0) {
        settings.Write(decrypt::kActualDel.name, 0);
    }
    return 0;
}

}  // namespace pelorin::cli
