#include "cli/TestCommand.h"

#include <iostream>
#include <optional>

#include "app_common/JobExit.h"
#include "app_common/OpenError.h"
#include "archive/ArchiveCheck.h"
#include "archive/ModernMessages.h"
#include "archive/ModernOpening.h"
#include "archive/WorkerPool.h"
#include "cipher/Scramble.h"
#include "cli/Arguments.h"
#include "cli/ClassicCodePage.h"
#include "cli/CommandHelp.h"
#include "cli/PasskeyInput.h"
#include "cli/TerminalUi.h"
#include "platform/File.h"
#include "platform/FileStatus.h"
#include "platform/Terminal.h"

namespace pelorin::cli {
namespace {

constexpr const char* kTestUsage = UsageOf("test");

// What one archive came to, on standard output; its faults on standard error.
void Report(const std::string& path, const archive::ArchiveCheck& check, TerminalUi& ui) {
    const std::string name = EscapedName(path);
    for (const auto& fault : check.faults) {
        ui.ShowMessage(path + ": at byte " + std::to_string(fault.offset) + ": " + fault.text, std::nullopt,
                       MessageIcon::Warning);
    }
    const std::string counted = std::to_string(check.entries) + (check.entries == 1 ? " entry, " : " entries, ") +
                                std::to_string(check.bytes) + " bytes";
    switch (check.outcome) {
        case archive::ArchiveCheck::Outcome::Whole:
            if (check.version == archive::kModernVersion) {
                std::cout << name << ": whole (version 8, " << counted
                          << "; every chunk and the end record authenticated)\n";
            } else {
                std::cout << name << ": no fault found (version " << int(check.version) << ", " << counted
                          << "; lengths and pad bytes checked"
                          << (check.passkeyUnchecked ? ", the passkey cannot be (no check value)"
                                                     : ", the passkey against its check value")
                          << "). Archives of version 0 to 7 carry no integrity check: changed contents cannot be "
                             "found.\n";
            }
            break;
        case archive::ArchiveCheck::Outcome::Damaged:
            std::cout << name << ": damaged (" << check.faults.size() << (check.faults.size() == 1 ? " fault" : " faults")
                      << ")\n";
            break;
        case archive::ArchiveCheck::Outcome::WrongPasskey:
            ui.ShowMessage(std::string("Incorrect Passkey\n") + path +
                               " was encrypted with another passkey; it cannot be tested with this one.",
                           std::nullopt, MessageIcon::Exclamation);
            std::cout << name << ": not tested (another passkey)\n";
            break;
        case archive::ArchiveCheck::Outcome::NotChecked: std::cout << name << ": not tested\n"; break;
    }
}

}  // namespace

int RunTest(const std::vector<std::string>& arguments) {
    if (PasskeyOnCommandLine(arguments)) return kUsageError;
    const auto parsed =
        ParseArguments(arguments, {{"--yes", "--no"}, {"--passkey-file", kCodePageOption}, {}}, kTestUsage);
    if (!parsed || !ChooseClassicCodePage(*parsed, kTestUsage)) return kUsageError;
    if (parsed->names.empty()) {
        std::cerr << kTestUsage;
        return kUsageError;
    }
    TerminalUi ui;
    if (!ReadPresetAnswer(*parsed, ui.presetAnswer, kTestUsage)) return kUsageError;
    // A classic archive takes the passkey in its code page (else as given,
    // as earlier versions of the tool wrote it); version 8 as given.
    Passkey passkey, asGiven;
    if (!ReadClassicPasskey(parsed->Value("--passkey-file"), passkey, asGiven)) return kUsageError;
    const Passkey& modernPasskey = asGiven.empty() ? passkey : asGiven;

    TerminalProgress view;
    ProgressDialog progress(view, ui);
    progress.SetRange(0, kProgressFull);
    if (platform::StandardErrorIsTerminal()) {
        std::uint64_t total = 0;
        for (const auto& name : parsed->names) {
            if (const auto status = platform::StatusOf(AbsoluteName(name))) total += status->size;
        }
        view.SetTotalBytes(total);
    }
    archive::ModernKeyRing ring;
    archive::ReaderState state;
    bool unopened = false, faulty = false;
    try {
        for (const auto& given : parsed->names) {
            const std::string path = AbsoluteName(given);
            platform::FileError error = platform::FileError::None;
            platform::File file = platform::File::Open(path, archive::ArchiveReading(), &error);
            if (!file.IsOpen()) {
                ui.ShowMessage(path + " could not be opened: " + OpenErrorReason(error), std::nullopt,
                               MessageIcon::Warning);
                std::cout << EscapedName(path) << ": not tested\n";
                unopened = true;
                continue;
            }
            const auto version = archive::ArchiveVersionOf(file);
            archive::FileSource source(file, archive::kArchiveReadAhead);
            archive::ArchiveCheck check;
            if (!version) {
                check.faults.push_back({0, "it is empty"});
            } else if (*version == archive::kModernVersion) {
                check = archive::CheckModernArchive(
                    source, modernPasskey.bytes(), ring, archive::JobWorkers(), progress,
                    [&](std::uint32_t done, std::uint32_t total) {
                        if (done == 0) progress.SetStatus("Deriving the key of " + path + " from the passkey...");
                        progress.SetPos(static_cast<int>(std::uint64_t{kProgressFull} * done / total));
                        progress.ConfirmCancelIfRequested();
                    });
            } else {
                check = archive::CheckClassicArchive(source, path, passkey.bytes(), progress, ui, state);
                if (check.outcome == archive::ArchiveCheck::Outcome::WrongPasskey && !asGiven.empty() &&
                    file.Seek(0, platform::SeekFrom::Start) == 0) {
                    archive::FileSource again(file, archive::kArchiveReadAhead);
                    check = archive::CheckClassicArchive(again, path, asGiven.bytes(), progress, ui, state);
                }
            }
            progress.SetPos(kProgressFull);
            Report(path, check, ui);
            if (check.outcome != archive::ArchiveCheck::Outcome::Whole) faulty = true;
        }
    } catch (const JobExit& exit) {
        if (ui.cancelConfirmed) ReportStop("");
        return exit.status();
    }
    if (unopened) return kExitCancelled;  // 1: a file could not be opened
    return faulty ? kExitIncomplete : 0;
}

}  // namespace pelorin::cli
