#include "cli/DecryptCommands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

#include "app_common/ForwardingUi.h"
#include "app_common/JobExit.h"
#include "app_common/OpenError.h"
#include "archive/ArchiveFormat.h"
#include "archive/EntryNames.h"
#include "archive/HeaderCheck.h"
#include "archive/HeaderCipher.h"
#include "cipher/Algorithm.h"
#include "cli/TerminalUi.h"
#include "decrypt_app/DecryptJob.h"
#include "decrypt_app/DecryptSettings.h"
#include "platform/File.h"

namespace pelorin::cli {
namespace {

constexpr int kUsageError = 2;

struct Options {
    std::vector<std::string> names;
    std::vector<std::string> selected;
    bool deleteArchives = false;
    std::optional<std::string> passkeyFile;
    std::optional<bool> answer;
    std::optional<int> algorithm;
    std::optional<std::int64_t> padding;
};

std::optional<int> AlgorithmNumber(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '7') return text[0] - '0';
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const auto& info : kAlgorithms) {
        std::string name(info.messageName);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        if (lower == name) return static_cast<int>(info.number);
    }
    return std::nullopt;
}

std::optional<Options> Parse(const std::vector<std::string>& arguments, const char* usage) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (a == "--select" && hasValue) {
            options.selected.push_back(arguments[++i]);
        } else if (a == "--delete-archives") {
            options.deleteArchives = true;
        } else if (a == "--passkey-file" && hasValue) {
            options.passkeyFile = arguments[++i];
        } else if (a == "--yes" || a == "--no") {
            options.answer = a == "--yes";
        } else if (a == "--algorithm" && hasValue) {
            options.algorithm = AlgorithmNumber(arguments[++i]);
            if (!options.algorithm) {
                std::cerr << "pelorin: unknown algorithm\n" << usage;
                return std::nullopt;
            }
        } else if (a == "--padding" && hasValue) {
            const std::string text = arguments[++i];
            char* end = nullptr;
            const long long value = std::strtoll(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0') {
                std::cerr << "pelorin: --padding needs an integer\n";
                return std::nullopt;
            }
            options.padding = value;
        } else if (a == "--passkey") {
            std::cerr << "pelorin: a passkey is never taken from the command line; use PELORIN_PASSKEY or "
                         "--passkey-file\n";
            return std::nullopt;
        } else if (a.size() > 1 && a[0] == '-' && a != "--") {
            std::cerr << "pelorin: unknown option " << a << "\n" << usage;
            return std::nullopt;
        } else if (a != "--") {
            options.names.push_back(a);
        }
    }
    if (options.names.empty()) {
        std::cerr << usage;
        return std::nullopt;
    }
    for (auto& name : options.names) {
        std::error_code error;
        const auto full = std::filesystem::absolute(name, error);
        if (!error) name = full.string();
    }
    return options;
}

class CommandLineDecryptUi final : public ForwardingUi<decrypt::DecryptUi> {
public:
    CommandLineDecryptUi(TerminalUi& terminal, const Options& options, platform::SettingsStore& settings)
        : ForwardingUi(terminal), options_(options), settings_(settings) {
        terminal.presetAnswer = options.answer;
    }
    bool RunDecryptDialog(decrypt::DecryptDialogModel& model) override {
        std::string verify;
        if (!ReadPasskey(options_.passkeyFile, false, model.passkey, verify)) {
            ShowMessage("no passkey: set PELORIN_PASSKEY, give --passkey-file, or run on a terminal", std::nullopt,
                        MessageIcon::Exclamation);
            refused = true;
            return false;
        }
        model.decryptAll = options_.selected.empty();
        if (options_.deleteArchives) model.deleteSources = true;
        if (!model.ValidateOk(*this, settings_)) {
            refused = true;
            return false;
        }
        return true;
    }
    bool RunChooseFiles(const std::string&, const std::vector<std::string>& names,
                        std::vector<std::string>& chosen) override {
        chosen.clear();
        for (const auto& name : names) {
            if (std::find(options_.selected.begin(), options_.selected.end(), name) != options_.selected.end()) {
                chosen.push_back(name);
            }
        }
        return true;
    }
    bool RunImportOptions(const std::string&, int& algorithm, std::int64_t& padding) override {
        algorithm = options_.algorithm.value_or(-1);
        padding = options_.padding.value_or(0);
        return true;
    }

    bool refused = false;

private:
    const Options& options_;
    platform::SettingsStore& settings_;
};

int RunDriver(const Options& options, bool import) {
    platform::SettingsStore settings(decrypt::kSettingsKey);
    TerminalUi terminal;
    CommandLineDecryptUi ui(terminal, options, settings);
    TerminalProgress progress;
    try {
        const int status = decrypt::RunDecryptJob(options.names, import, ui, progress, settings);
        return ui.refused ? kUsageError : status;
    } catch (const JobExit& exit) {
        return exit.status();
    }
}

}  // namespace

int RunDecrypt(const std::vector<std::string>& arguments) {
    const auto options = Parse(arguments,
                               "usage: pelorin decrypt [--select NAME]... [--delete-archives] [--passkey-file FILE] "
                               "[--yes|--no] ARCHIVE...\n");
    return options ? RunDriver(*options, false) : kUsageError;
}

int RunImport(const std::vector<std::string>& arguments) {
    const char* usage = "usage: pelorin import --algorithm A --padding N [--passkey-file FILE] FILE...\n";
    const auto options = Parse(arguments, usage);
    if (!options) return kUsageError;
    if (!options->algorithm || !options->padding) {
        std::cerr << usage;
        return kUsageError;
    }
    if (options->deleteArchives) {
        // Import cannot check the passkey: a mistyped one gives garbage, and
        // the input would be gone.
        std::cerr << "pelorin: import never deletes its input; --delete-archives is not taken here\n";
        return kUsageError;
    }
    return RunDriver(*options, true);
}

int RunList(const std::vector<std::string>& arguments) {
    const auto options = Parse(arguments, "usage: pelorin list [--passkey-file FILE] [--yes|--no] ARCHIVE...\n");
    if (!options) return kUsageError;
    TerminalUi ui;
    ui.presetAnswer = options->answer;
    std::string passkey;
    bool havePasskey = false;
    try {
        for (const auto& path : options->names) {
            platform::OpenOptions read;
            read.read = true;
            platform::FileError error = platform::FileError::None;
            platform::File file = platform::File::Open(path, read, &error);
            if (!file.IsOpen()) ShowOpenError(ui, error, path);
            archive::FileSource source(file);
            archive::ReaderState state;
            const auto opened = archive::CheckArchiveHeader(source, path, archive::HeaderCheckForm::Scanning, ui, state);
            if (!opened) return 1;
            const auto& h = opened->header;
            const AlgorithmInfo* info = FindAlgorithm(h.algorithm);
            std::cout << path << ": version " << int(h.version) << ", algorithm " << int(h.algorithm) << " ("
                      << (info ? std::string(info->messageName) : std::string("unknown")) << "), headers "
                      << (archive::HeadersEncrypted(h) ? "encrypted" : "plain") << ", passkey "
                      << (archive::EntryHashing(h) == PasskeyHashing::On ? "hashed" : "not hashed") << "\n";
            const bool encrypted = archive::HeadersEncrypted(h);
            if (encrypted && !havePasskey) {
                std::string verify;
                if (!ReadPasskey(options->passkeyFile, false, passkey, verify)) {
                    std::cerr << "pelorin: the entry names are encrypted: a passkey is needed\n";
                    return kUsageError;
                }
                havePasskey = true;
            }
            const auto key = std::span(reinterpret_cast<const std::uint8_t*>(passkey.data()), passkey.size());
            while (!source.AtEnd()) {
                const auto name = archive::ReadEntryName(source, *opened, key, state);
                std::array<std::uint8_t, archive::kSizeFieldLength> field{};
                if (!name.name || !archive::ReadHeaderItem(source, field, encrypted, key, state.keystream())) {
                    archive::ShowDamagedArchive(ui, path, archive::Damage::EndsInsideEntry);
                    return 1;
                }
                const std::uint32_t size = archive::DecodeSizeField(field);
                std::vector<std::uint8_t> skip(64 * 1024);
                for (std::uint64_t left = kEntrySaltSize + StoredPieceLength(size); left > 0;) {
                    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, skip.size()));
                    if (source.Read(std::span(skip).first(want)) != want) {
                        archive::ShowDamagedArchive(ui, path, archive::Damage::EndsInsideEntry);
                        return 1;
                    }
                    left -= want;
                }
                std::cout << "  " << size << "\t" << *name.name << "\n";
            }
        }
    } catch (const JobExit& exit) {
        return exit.status();
    }
    return 0;
}

}  // namespace pelorin::cli
