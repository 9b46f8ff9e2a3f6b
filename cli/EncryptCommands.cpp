#include "cli/EncryptCommands.h"

#include <charconv>
#include <iostream>
#include <optional>

#include "app_common/ForwardingUi.h"
#include "app_common/JobExit.h"
#include "cipher/Algorithm.h"
#include "cli/Arguments.h"
#include "cli/ClassicCodePage.h"
#include "cli/CommandHelp.h"
#include "cli/PasskeyInput.h"
#include "cli/Stop.h"
#include "cli/TerminalUi.h"
#include "encrypt_app/EncryptDialogModel.h"
#include "encrypt_app/EncryptJob.h"
#include "encrypt_app/EncryptSettings.h"
#include "platform/FileStatus.h"
#include "platform/Paths.h"
#include "platform/Terminal.h"

namespace pelorin::cli {
namespace {

constexpr const char* kEncryptUsage = UsageOf("encrypt");

// The bytes of the regular files at or below `name`, links not followed:
// what the job will store, for the progress line's total and time left.
std::uint64_t BytesBelow(const std::string& name) {
    const auto status = platform::StatusOf(name);
    if (!status) return 0;
    if (status->kind == platform::FileKind::Regular) return status->size;
    if (status->kind != platform::FileKind::Folder || status->mountPoint) return 0;
    const std::string folder = name.back() == platform::kHostSeparator ? name : name + platform::kHostSeparator;
    std::uint64_t total = 0;
    for (const auto& entry : platform::ListFolder(folder).names) total += BytesBelow(folder + entry);
    return total;
}

// The main dialog's questions answered by the command line.
class CommandLineEncryptUi final : public ForwardingUi<encrypt::EncryptUi> {
public:
    CommandLineEncryptUi(TerminalUi& terminalUi, platform::SettingsStore& store)
        : ForwardingUi(terminalUi), settings(store) {}

    void ShowNoFilesDialog() override { std::cerr << kEncryptUsage; }

    bool RunEncryptDialog(encrypt::EncryptDialogModel& model) override {
        // Without --algorithm the remembered one is used, and without that
        // ChaCha20-Poly1305.
        if (algorithm) {
            model.selectedAlgorithm = *algorithm;
        } else if (!encrypt::IsWritableAlgorithm(model.selectedAlgorithm)) {
            model.selectedAlgorithm = kModernAlgorithmNumber;
        }
        model.kdfMemoryMiB = kdfMemoryMiB;
        // Sources are deleted only when this command line says so.
        model.deleteSource = deleteSources;
        model.remembersChoices = false;
        // A classic archive takes the passkey in its code page.
        if (!ReadPasskey(passkeyFile, model.passkey, &model.verify) ||
            (FindAlgorithm(model.selectedAlgorithm) != nullptr && !UseClassicPasskey(model.passkey, model.verify)) ||
            !model.ValidateOk(*this, encrypt::PasskeyHashingOn(settings))) {
            validationFailed = true;
            return false;
        }
        return true;
    }

    void SourceDeleted(const std::string& /*path*/) override { ++sourcesDeleted; }

    platform::SettingsStore& settings;
    std::optional<int> algorithm;
    std::uint32_t kdfMemoryMiB = 0;
    bool deleteSources = false;
    std::optional<std::string> passkeyFile;
    bool validationFailed = false;
    std::size_t sourcesDeleted = 0;
};


}  // namespace

int RunEncrypt(const std::vector<std::string>& arguments) {
    if (PasskeyOnCommandLine(arguments)) return kUsageError;
    const auto parsed = ParseArguments(
        arguments,
        {{"--delete-sources", "--yes", "--no"}, {"--algorithm", "--passkey-file", "--kdf-memory", kCodePageOption}, {}},
        kEncryptUsage);
    if (!parsed || !ChooseClassicCodePage(*parsed, kEncryptUsage)) return kUsageError;
    TerminalUi terminal;
    if (!ReadPresetAnswer(*parsed, terminal.presetAnswer, kEncryptUsage)) return kUsageError;
    platform::SettingsStore settings(encrypt::kSettingsKey);
    CommandLineEncryptUi ui(terminal, settings);
    if (const auto algorithm = parsed->Value("--algorithm")) {
        ui.algorithm = AlgorithmFromText(*algorithm);
        if (!ui.algorithm) {
            std::cerr << "pelorin: unknown algorithm " << *algorithm << "\n" << kEncryptUsage;
            return kUsageError;
        }
    }
    if (const auto memory = parsed->Value("--kdf-memory")) {
        std::uint32_t value = 0;
        const auto [end, error] = std::from_chars(memory->data(), memory->data() + memory->size(), value);
        if (memory->empty() || error != std::errc() || end != memory->data() + memory->size() ||
            !SettingAccepts(encrypt::kKdfMemory, value)) {
            std::cerr << "pelorin: --kdf-memory takes " << SettingRangeText(encrypt::kKdfMemory) << " (MiB), not \""
                      << *memory << "\"\n";
            return kUsageError;
        }
        ui.kdfMemoryMiB = value;
    }
    ui.deleteSources = parsed->Has("--delete-sources");
    ui.passkeyFile = parsed->Value("--passkey-file");
    // Full paths, as a dropped name arrives: nothing in them reads as a
    // switch, and the sources can be wiped by name.
    std::vector<std::string> names;
    for (const auto& name : parsed->names) names.push_back(AbsoluteName(name));

    TerminalProgress progress;
    if (platform::StandardErrorIsTerminal()) {
        std::uint64_t total = 0;
        for (const auto& name : names) total += BytesBelow(name);
        progress.SetTotalBytes(total);
    }
    std::string archive;
    try {
        const int status = encrypt::RunEncryptJob(names, ui, progress, settings, &archive);
        if (ui.validationFailed) return kUsageError;
        // A job that stored nothing has discarded its archive and said so.
        if ((status == encrypt::kExitDone || status == kExitIncomplete) && !archive.empty() &&
            platform::StatusOf(archive)) {
            progress.ShowSummary();
            std::cerr << "pelorin: wrote " << EscapedForTerminal(archive) << "\n";
        }
        return status;
    } catch (const JobExit& exit) {
        if (terminal.cancelConfirmed) {
            ReportStop(archive.empty() ? "" : encrypt::StoppedArchiveText(archive, ui.sourcesDeleted));
        }
        return exit.status();
    }
}

}  // namespace pelorin::cli
