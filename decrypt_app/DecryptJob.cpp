#include "decrypt_app/DecryptJob.h"

#include <algorithm>

#include "app_common/JobExit.h"
#include "app_common/OpenError.h"
#include "app_common/PassesText.h"
#include "archive/ArchiveReader.h"
#include "archive/EntryNames.h"
#include "archive/EntryOutput.h"
#include "archive/HeaderCipher.h"
#include "archive/HeaderCheck.h"
#include "archive/ImportPass.h"
#include "archive/ReaderMessages.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"
#include "decrypt_app/DecryptSettings.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "wipe/ProgramWipes.h"

namespace pelorin::decrypt {
namespace {

platform::File OpenArchive(const std::string& path, Ui& ui) {
    platform::FileError error = platform::FileError::None;
    platform::File file = platform::File::Open(path, archive::ArchiveReading(), &error);
    if (!file.IsOpen()) ShowOpenError(ui, error, path);
    return file;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct PasskeyScrubber {
    DecryptDialogModel& model;
    ~PasskeyScrubber() { ScrambleString(model.passkey); }
};

// The archive's own check value refuses a passkey it was not written under.
bool PasskeyFits(const archive::OpenedArchive& opened, std::span<const std::uint8_t> passkey,
                 const std::string& path, Ui& ui) {
    if (opened.hasCheck && ComputePasskeyCheck(passkey, opened.salt) != opened.check) {
        ui.ShowMessage(WrongPasskeyText(path), std::nullopt, MessageIcon::Exclamation);
        return false;
    }
    return true;
}

// What the scanning pass learned of an archive.
struct Scan {
    bool usable = true;  // false: another passkey; no dialog, nothing read later
    std::vector<std::string> names;
};

// Reads every entry name of an archive for its Choose Files dialog; names
// that would leave the archive's folder are named and not offered.
Scan ScanNames(const std::string& path, std::span<const std::uint8_t> passkey, ProgressDialog& progress, Ui& ui,
               archive::ReaderState& state) {
    Scan scan;
    platform::File file = OpenArchive(path, ui);
    archive::FileSource source(file, archive::kArchiveReadAhead);
    const auto opened = archive::CheckArchiveHeader(source, path, archive::HeaderCheckForm::Scanning, ui, state);
    if (!opened) return scan;
    if (!PasskeyFits(*opened, passkey, path, ui)) {
        scan.usable = false;
        return scan;
    }
    const bool encrypted = archive::HeadersEncrypted(opened->header);
    const archive::HeaderKeyScope headerKey(passkey);
    while (!source.AtEnd()) {
        const auto name = archive::ReadEntryName(source, *opened, passkey, state);
        if (!name.name) {
            archive::ShowDamagedArchive(ui, path, name.damage);
            break;
        }
        if (archive::IsSafeEntryName(*name.name)) {
            scan.names.push_back(*name.name);
        } else {
            ui.ShowMessage(archive::NotOfferedNameText(path, *name.name), archive::kErrorCaption,
                           MessageIcon::Warning);
        }
        if (!archive::SkipEntryData(source, encrypted, passkey, state, progress, kScanningStatus + *name.name)) {
            archive::ShowDamagedArchive(ui, path, archive::Damage::EndsInsideEntry);
            break;
        }
    }
    return scan;
}

// Restores the chosen entries of one archive. True when the archive was read
// to its end and every entry was restored or left out by the user's choice,
// so that it may be wiped; every other outcome has been reported.
bool DecryptArchive(const std::string& path, std::span<const std::uint8_t> passkey,
                    const std::vector<std::string>* selection, ProgressDialog& progress, Ui& ui,
                    archive::ReaderState& state, archive::RestoreJob& job) {
    platform::File file = OpenArchive(path, ui);
    archive::FileSource source(file, archive::kArchiveReadAhead);
    const auto opened = archive::CheckArchiveHeader(source, path, archive::HeaderCheckForm::Decrypting, ui, state);
    if (!opened) return false;
    // Every archive with a check value is checked, not only the first: one
    // under another passkey would be restored as garbage over existing files.
    if (!PasskeyFits(*opened, passkey, path, ui)) return false;
    if (!archive::PasskeyLongEnough(opened->header.algorithm, archive::EntryHashing(opened->header), passkey.size())) {
        archive::ShowPasskeyTooShort(ui, path, opened->header.algorithm);
        return false;
    }
    const bool encrypted = archive::HeadersEncrypted(opened->header);
    bool everything = true;
    const platform::IdlePriorityScope idle;
    const archive::HeaderKeyScope headerKey(passkey);
    while (!source.AtEnd()) {
        const auto name = archive::ReadEntryName(source, *opened, passkey, state);
        if (!name.name) {
            archive::ShowDamagedArchive(ui, path, name.damage);
            return false;
        }
        // An entry that cannot be restored was never the user's to leave out.
        const bool refusedName = !archive::IsSafeEntryName(*name.name);
        const bool chosen = selection == nullptr ||
                            std::find(selection->begin(), selection->end(), *name.name) != selection->end();
        if (!chosen && !refusedName) {
            if (!archive::SkipEntryData(source, encrypted, passkey, state, progress, *name.name)) {
                archive::ShowDamagedArchive(ui, path, archive::Damage::EndsInsideEntry);
                return false;
            }
            continue;
        }
        switch (archive::RestoreEntry(source, path, *name.name, *opened, passkey, state, progress, ui, job)) {
            case archive::RestoreOutcome::Restored: break;
            case archive::RestoreOutcome::ReplacedEarlier:
            case archive::RestoreOutcome::Refused:
            case archive::RestoreOutcome::UnknownAlgorithm:
            case archive::RestoreOutcome::KeyTooShort: everything = false; break;
            // The archive ends there, or the reading stopped inside the entry.
            case archive::RestoreOutcome::Incomplete:
            case archive::RestoreOutcome::OutputFailed: return false;
        }
    }
    return everything;
}

// The files every output must leave alone: the archives of the job, as the
// files they lead to.
archive::ProtectedFiles IdentitiesOf(const std::vector<std::string>& archives) {
    archive::ProtectedFiles identities;
    for (const auto& path : archives) {
        platform::OpenOptions read;
        read.read = true;
        platform::File file = platform::File::Open(path, read);
        if (!file.IsOpen()) continue;
        if (const auto status = file.Status()) identities.push_back(status->identity);
    }
    return identities;
}

}  // namespace

std::string WrongPasskeyText(const std::string& archivePath) {
    return std::string(kIncorrectPasskeyText) + "\n" + archivePath +
           " was encrypted with another passkey. Nothing is restored from it and it is not deleted.";
}

int RunDecryptJob(const std::vector<std::string>& archives, bool importMode, DecryptUi& ui, ProgressView& view,
                  platform::SettingsStore& settings) {
    DecryptDialogModel model;
    const PasskeyScrubber scrubber{model};
    model.importMode = importMode;
    archive::ReaderState state;
    if (!importMode && !archives.empty()) {
        platform::File file = OpenArchive(archives.front(), ui);
        archive::FileSource source(file, archive::kArchiveReadAhead);
        const auto opened =
            archive::CheckArchiveHeader(source, archives.front(), archive::HeaderCheckForm::Probing, ui, state);
        if (opened && opened->hasCheck) {
            model.verify = true;
            model.salt = opened->salt;
            model.check = opened->check;
        }
    }
    model.Load(settings);
    if (!ui.RunDecryptDialog(model)) return kExitDone;
    // From here on the passkey lives only in locked memory.
    const SecureBuffer passkey(Bytes(model.passkey), kKeyScrubPasses);
    ScrambleString(model.passkey);
    // Import cannot check the passkey: a mistyped one gives garbage, so its
    // inputs are never wiped.
    const bool wipeArchives = model.deleteSources && !importMode;
    archive::RestoreJob job;
    job.protectedFiles = IdentitiesOf(archives);
    // An archive is the only copy once it is wiped: what came from it must
    // be on the disk first.
    job.forceToDisk = wipeArchives;

    std::vector<std::vector<std::string>> selections(archives.size());
    std::vector<bool> usable(archives.size(), true);
    const bool choose = !model.decryptAll && !importMode;
    if (choose) {
        bool proceed = true;
        for (std::size_t i = 0; i < archives.size(); ++i) {
            ProgressDialog progress(view, ui);
            progress.SetRange(0, kProgressFull);
            const Scan scan = ScanNames(archives[i], passkey.bytes(), progress, ui, state);
            usable[i] = scan.usable;
            if (!scan.usable) continue;  // already told: nothing to choose from
            std::vector<std::string> chosen = scan.names;
            if (ui.RunChooseFiles(archives[i], scan.names, chosen)) {
                selections[i] = chosen;
            } else {
                proceed = false;  // every archive's dialog is still shown
            }
        }
        if (!proceed) return kExitDone;
        if (!ui.ConfirmSelections()) return kExitIncomplete;
    }

    int status = kExitDone;
    ProgressDialog progress(view, ui);
    progress.SetRange(0, kProgressFull);
    for (std::size_t i = 0; i < archives.size(); ++i) {
        const std::string& path = archives[i];
        bool complete = usable[i];
        if (!usable[i]) {
            // Refused while scanning, and said so then.
        } else if (importMode) {
            int algorithm = -1;
            std::int64_t padding = 0;
            platform::File file = OpenArchive(path, ui);
            if (!ui.RunImportOptions(path, algorithm, padding)) return kExitImportCancelled;
            archive::FileSource source(file, archive::kArchiveReadAhead);
            const auto outcome =
                archive::ImportInput(source, path, algorithm, padding, passkey.bytes(), progress, ui, job);
            complete = outcome == archive::ImportOutcome::Restored ||
                       outcome == archive::ImportOutcome::NothingAfterPadding;
        } else {
            complete = DecryptArchive(path, passkey.bytes(), choose ? &selections[i] : nullptr, progress, ui, state,
                                      job);
        }
        if (!complete) status = kExitIncomplete;
        // Only an archive read to its end, with nothing left behind that the
        // user did not leave out, is wiped.
        if (wipeArchives && complete &&
            !wipe::WipeInputFile(path, PassesSetting(ReadSetting(settings, kNumIter)), progress,
                                 ui)) {
            status = kExitIncomplete;
        }
        // A Cancel pressed while an archive was wiped is asked here.
        progress.ConfirmCancelIfRequested();
    }
    return status;
}

}  // namespace pelorin::decrypt
