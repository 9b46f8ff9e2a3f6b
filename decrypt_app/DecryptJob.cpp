#include "decrypt_app/DecryptJob.h"

#include <algorithm>
#include <optional>

#include "app_common/JobExit.h"
#include "app_common/OpenError.h"
#include "app_common/PassesText.h"
#include "app_common/PasskeyTexts.h"
#include "archive/ArchiveReader.h"
#include "archive/EntryNames.h"
#include "archive/EntryOutput.h"
#include "archive/HeaderCipher.h"
#include "archive/HeaderCheck.h"
#include "archive/ImportPass.h"
#include "archive/ModernFormat.h"
#include "archive/ModernOpening.h"
#include "archive/ModernRestore.h"
#include "archive/ReaderMessages.h"
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

// The passkey in the forms an archive may have been written under (see
// DecryptDialogModel::passkeyAsGiven).
struct PasskeyForms {
    std::span<const std::uint8_t> passkey;
    std::span<const std::uint8_t> asGiven;

    // An archive of version 8 takes the passkey as given, never in a code
    // page.
    std::span<const std::uint8_t> Modern() const { return asGiven.empty() ? passkey : asGiven; }
};

// The form the archive's own check value takes; nothing (said) when it
// refuses both, as for a passkey it was not written under. An archive
// without a check value takes the passkey.
std::optional<std::span<const std::uint8_t>> PasskeyFor(const archive::OpenedArchive& opened,
                                                        const PasskeyForms& forms, const std::string& path, Ui& ui) {
    if (!opened.hasCheck) return forms.passkey;
    const auto matching = PasskeyMatching(forms.passkey, forms.asGiven, opened.salt, opened.check);
    if (!matching) ui.ShowMessage(WrongPasskeyText(path), std::nullopt, MessageIcon::Exclamation);
    return matching;
}

// A classic archive takes at most 127 bytes of passkey; a longer one (which
// archives of version 8 take) opens none of it.
bool PasskeyFitsClassic(std::span<const std::uint8_t> passkey, const std::string& path, Ui& ui) {
    if (passkey.size() <= kMaxPasskeyLength) return true;
    ui.ShowMessage(PasskeyTooLongForText(path), std::nullopt, MessageIcon::Exclamation);
    return false;
}

bool IsModern(platform::File& file) { return archive::ArchiveVersionOf(file) == archive::kModernVersion; }

// Import input that is an archive of version 8 by its whole header (the
// version byte alone could begin any bytes).
bool IsModernArchive(platform::File& file) {
    archive::ModernHeaderBytes bytes{};
    const bool read = file.Read(bytes.data(), bytes.size()) == static_cast<std::int64_t>(bytes.size());
    file.Seek(0, platform::SeekFrom::Start);
    return read && archive::ParseModernHeader(bytes).header.has_value();
}

// What the scanning pass learned of an archive.
struct Scan {
    bool usable = true;  // false: another passkey; no dialog, nothing read later
    std::vector<std::string> names;
};

// Reads every entry name of an archive for its Choose Files dialog; names
// that would leave the archive's folder are named and not offered.
Scan ScanNames(const std::string& path, const PasskeyForms& forms, ProgressDialog& progress, Ui& ui,
               archive::ReaderState& state, archive::ModernKeyRing& ring) {
    Scan scan;
    platform::File file = OpenArchive(path, ui);
    const bool modern = IsModern(file);
    archive::FileSource source(file, archive::kArchiveReadAhead);
    if (modern) {
        const auto opening =
            archive::OpenModernArchive(source, path, forms.Modern(), ring, progress, ui, WrongPasskeyText(path));
        scan.usable = opening.result == archive::ModernOpening::Result::Opened;
        if (scan.usable) scan.names = archive::ScanModernNames(source, opening.fileKey, path, kScanningStatus, progress, ui);
        return scan;
    }
    if (!PasskeyFitsClassic(forms.passkey, path, ui)) {
        scan.usable = false;
        return scan;
    }
    const auto opened = archive::CheckArchiveHeader(source, path, archive::HeaderCheckForm::Scanning, ui, state);
    if (!opened) return scan;
    const auto matching = PasskeyFor(*opened, forms, path, ui);
    if (!matching) {
        scan.usable = false;
        return scan;
    }
    const std::span<const std::uint8_t> passkey = *matching;
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

// An archive opened for the decrypting pass. With deletion chosen it is
// opened for writing as well, so that the wipe goes through the very handle
// that read it; one that cannot be (read-only, held by another program) is
// read all the same and kept, and `notWritable` says why.
struct ArchiveHandle {
    platform::File file;
    std::optional<platform::FileError> notWritable;
    std::optional<platform::FileStatus> atOpen;
};

ArchiveHandle OpenForRestore(const std::string& path, bool forWiping, Ui& ui) {
    ArchiveHandle handle;
    if (forWiping) {
        platform::OpenOptions options = archive::ArchiveReading();
        options.write = true;
        options.allowRename = true;
        platform::FileError error = platform::FileError::None;
        handle.file = platform::File::Open(path, options, &error);
        if (!handle.file.IsOpen()) handle.notWritable = error;
    }
    if (!handle.file.IsOpen()) handle.file = OpenArchive(path, ui);
    handle.atOpen = handle.file.Status();
    return handle;
}

// What the decrypting pass made of one archive.
struct ArchiveRestore {
    // Read to its end, and every entry restored or left out by the user's
    // choice: only such an archive may be wiped.
    bool complete = false;
    std::uint64_t readLength = 0;  // where its end was when it was read
    std::size_t leftOut = 0;       // entries the user's choice left in it
    bool passkeyChecked = false;   // it carries a check value (which the passkey matched)
};

// Restores the chosen entries of one archive from `file`; every outcome that
// keeps it has been reported.
ArchiveRestore DecryptArchive(platform::File& file, const std::string& path, const PasskeyForms& forms,
                              const std::vector<std::string>* selection, ProgressDialog& progress, Ui& ui,
                              archive::ReaderState& state, archive::RestoreJob& job) {
    ArchiveRestore result;
    if (!PasskeyFitsClassic(forms.passkey, path, ui)) return result;
    archive::FileSource source(file, archive::kArchiveReadAhead);
    const auto opened = archive::CheckArchiveHeader(source, path, archive::HeaderCheckForm::Decrypting, ui, state);
    if (!opened) return result;
    // Every archive with a check value is checked, not only the first: one
    // under another passkey would be restored as garbage over existing files.
    const auto matching = PasskeyFor(*opened, forms, path, ui);
    if (!matching) return result;
    const std::span<const std::uint8_t> passkey = *matching;
    if (!archive::PasskeyLongEnough(opened->header.algorithm, archive::EntryHashing(opened->header), passkey.size())) {
        archive::ShowPasskeyTooShort(ui, path, opened->header.algorithm);
        return result;
    }
    result.passkeyChecked = opened->hasCheck;
    // Where the passkey cannot be checked, a wrong one gives garbage: it
    // never replaces a file.
    job.neverReplace = !opened->hasCheck;
    const bool encrypted = archive::HeadersEncrypted(opened->header);
    bool everything = true;
    const platform::IdlePriorityScope idle;
    const archive::HeaderKeyScope headerKey(passkey);
    while (!source.AtEnd()) {
        const auto name = archive::ReadEntryName(source, *opened, passkey, state);
        if (!name.name) {
            archive::ShowDamagedArchive(ui, path, name.damage);
            return result;
        }
        // An entry that cannot be restored was never the user's to leave out.
        const bool refusedName = !archive::IsSafeEntryName(*name.name);
        const bool chosen = selection == nullptr ||
                            std::find(selection->begin(), selection->end(), *name.name) != selection->end();
        if (!chosen && !refusedName) {
            if (!archive::SkipEntryData(source, encrypted, passkey, state, progress, *name.name)) {
                archive::ShowDamagedArchive(ui, path, archive::Damage::EndsInsideEntry);
                return result;
            }
            ++result.leftOut;
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
            case archive::RestoreOutcome::OutputFailed: return result;
        }
    }
    result.complete = everything;
    result.readLength = source.Length();
    return result;
}

// Restores the chosen entries of an archive of version 8 from `file`.
ArchiveRestore DecryptModernArchive(platform::File& file, const std::string& path, std::span<const std::uint8_t> passkey,
                                    const std::vector<std::string>* selection, ProgressDialog& progress, Ui& ui,
                                    archive::ModernKeyRing& ring, archive::RestoreJob& job) {
    ArchiveRestore result;
    archive::FileSource source(file, archive::kArchiveReadAhead);
    const auto opening = archive::OpenModernArchive(source, path, passkey, ring, progress, ui, WrongPasskeyText(path));
    if (opening.result != archive::ModernOpening::Result::Opened) return result;
    // The key's tag has checked the passkey.
    result.passkeyChecked = true;
    const auto restored = archive::RestoreModernArchive(source, opening.fileKey, path, selection, progress, ui, job);
    result.complete = restored.complete;
    result.leftOut = restored.leftOut;
    result.readLength = restored.readLength;
    return result;
}

// Wipes an archive that was restored completely, through the handle that
// read it, after the questions its restore calls for. False when it stays
// (told, or declined).
bool WipeRestoredArchive(ArchiveHandle& handle, const std::string& path, const ArchiveRestore& restored, int passes,
                         ProgressDialog& progress, DecryptUi& ui) {
    if (handle.notWritable) {
        ui.ShowMessage(*handle.notWritable == platform::FileError::InUse
                           ? wipe::NotWipedInUseText(path)
                           : wipe::NotWipedText(path, wipe::WipeRefusal::CannotRemove),
                       archive::kErrorCaption, MessageIcon::Warning);
        return false;
    }
    if (restored.leftOut > 0 && !ui.ConfirmWipeLeavingEntries(path, restored.leftOut)) return false;
    if (!restored.passkeyChecked && !ui.ConfirmWipeUnchecked(path)) return false;
    if (!handle.atOpen) {
        ui.ShowMessage(wipe::ChangedWhileReadText(path), archive::kErrorCaption, MessageIcon::Warning);
        return false;
    }
    // The file as it was read: the wipe refuses one that has changed since.
    platform::FileStatus asRead = *handle.atOpen;
    asRead.size = restored.readLength;
    return wipe::WipeInputFile(handle.file, path, asRead, passes, progress, ui);
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

std::string LeftOutQuestionText(const std::string& archivePath, std::size_t leftOut) {
    return std::to_string(leftOut) + " entries of " + archivePath +
           " were not restored and would be lost. Delete the archive anyway?";
}

std::string UncheckedWipeQuestionText(const std::string& archivePath) {
    return archivePath +
           " carries no passkey check value (an archive of an older version), so whether the passkey was right "
           "cannot be told: if it was not, what was restored is unreadable and the archive is its only copy. Delete "
           "the archive anyway?";
}

std::string PasskeyTooLongForText(const std::string& archivePath) {
    return std::string(kPasskeyTooLongText) + "\n" + archivePath +
           " is an archive of an older version, which takes passkeys of at most 127 characters. Nothing is restored "
           "from it and it is not deleted.";
}

std::string ModernNotImportInputText(const std::string& inputPath) {
    return inputPath + " is an archive of version 8 (ChaCha20-Poly1305), which is never import input: decrypt it "
                       "as an archive. Nothing is written from it.";
}

std::string WrongPasskeyText(const std::string& archivePath) {
    return std::string(kIncorrectPasskeyText) + "\n" + archivePath +
           " was encrypted with another passkey. Nothing is restored from it and it is not deleted.";
}

int RunDecryptJob(const std::vector<std::string>& archives, bool importMode, DecryptUi& ui, ProgressView& view,
                  platform::SettingsStore& settings) {
    // Holds the passkey from the dialog on, its only copy, scrubbed when the
    // job ends however it ends.
    // The file keys of the archives of version 8, each derived once.
    archive::ModernKeyRing ring;
    DecryptDialogModel model;
    model.importMode = importMode;
    archive::ReaderState state;
    // The key derivation of the first archive happens in the dialog's OK: a
    // progress window says so meanwhile.
    std::optional<ProgressDialog> deriving;
    if (!importMode && !archives.empty()) {
        platform::File file = OpenArchive(archives.front(), ui);
        const bool modern = IsModern(file);
        archive::FileSource source(file, archive::kArchiveReadAhead);
        if (modern) {
            archive::ModernHeaderBytes bytes{};
            // A header that cannot be read is told when the archive is.
            if (source.Read(bytes) == bytes.size()) model.modernHeader = bytes;
            model.keyRing = &ring;
            model.firstArchive = archives.front();
            model.derivation = [&](const std::string& status, std::uint32_t done, std::uint32_t total) {
                if (!deriving) {
                    deriving.emplace(view, ui);
                    deriving->SetRange(0, kProgressFull);
                    deriving->SetStatus(status);
                }
                deriving->SetPos(static_cast<int>(std::uint64_t{kProgressFull} * done / total));
                deriving->ConfirmCancelIfRequested();
            };
        } else {
            const auto opened =
                archive::CheckArchiveHeader(source, archives.front(), archive::HeaderCheckForm::Probing, ui, state);
            if (opened && opened->hasCheck) {
                model.verify = true;
                model.salt = opened->salt;
                model.check = opened->check;
            }
        }
    }
    model.Load(settings);
    const bool accepted = ui.RunDecryptDialog(model);
    deriving.reset();
    if (!accepted) return kExitDone;
    const std::span<const std::uint8_t> passkey = model.passkey.bytes();
    const PasskeyForms forms{passkey, model.passkeyAsGiven.bytes()};
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
            const Scan scan = ScanNames(archives[i], forms, progress, ui, state, ring);
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
        if (!usable[i]) {
            // Refused while scanning, and said so then.
            status = kExitIncomplete;
        } else if (importMode) {
            int algorithm = -1;
            std::int64_t padding = 0;
            platform::File file = OpenArchive(path, ui);
            if (IsModernArchive(file)) {
                // Its bytes are sealed: deciphered as bare groups they would
                // only give garbage.
                ui.ShowMessage(ModernNotImportInputText(path), archive::kErrorCaption, MessageIcon::Warning);
                status = kExitIncomplete;
                continue;
            }
            if (!ui.RunImportOptions(path, algorithm, padding)) return kExitImportCancelled;
            archive::FileSource source(file, archive::kArchiveReadAhead);
            const auto outcome =
                archive::ImportInput(source, path, algorithm, padding, passkey, progress, ui, job);
            if (outcome != archive::ImportOutcome::Restored && outcome != archive::ImportOutcome::NothingAfterPadding) {
                status = kExitIncomplete;
            }
        } else {
            ArchiveHandle handle = OpenForRestore(path, wipeArchives, ui);
            const auto* selection = choose ? &selections[i] : nullptr;
            const ArchiveRestore restored =
                IsModern(handle.file)
                    ? DecryptModernArchive(handle.file, path, forms.Modern(), selection, progress, ui, ring, job)
                    : DecryptArchive(handle.file, path, forms, selection, progress, ui, state, job);
            if (!restored.complete) status = kExitIncomplete;
            if (wipeArchives && restored.complete &&
                !WipeRestoredArchive(handle, path, restored,
                                     PassesSetting(ReadSetting(settings, kNumIter)), progress,
                                     ui)) {
                status = kExitIncomplete;
            }
        }
        // A Cancel pressed while an archive was wiped is asked here.
        progress.ConfirmCancelIfRequested();
    }
    return status;
}

}  // namespace pelorin::decrypt
