#include "decrypt_app/DecryptJob.h"

#include <algorithm>

#include "app_common/OpenError.h"
#include "archive/ArchiveReader.h"
#include "archive/EntryNames.h"
#include "archive/EntryOutput.h"
#include "archive/HeaderCheck.h"
#include "archive/ImportPass.h"
#include "archive/ReaderMessages.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"
#include "decrypt_app/DecryptSettings.h"
#include "platform/File.h"
#include "wipe/ProgramWipes.h"

namespace pelorin::decrypt {
namespace {

platform::File OpenArchive(const std::string& path, Ui& ui) {
    platform::OpenOptions options;
    options.read = true;
    options.sequential = true;
    platform::FileError error = platform::FileError::None;
    platform::File file = platform::File::Open(path, options, &error);
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

// Reads every entry name of an archive for its Choose Files dialog; names
// that would leave the archive's folder are not offered.
std::vector<std::string> ScanNames(const std::string& path, std::span<const std::uint8_t> passkey,
                                   ProgressDialog& progress,
                                   Ui& ui, archive::ReaderState& state) {
    std::vector<std::string> names;
    platform::File file = OpenArchive(path, ui);
    archive::FileSource source(file);
    const auto opened = archive::CheckArchiveHeader(source, path, archive::HeaderCheckForm::Scanning, ui, state);
    if (!opened) return names;
    const bool encrypted = archive::HeadersEncrypted(opened->header);
    while (!source.AtEnd()) {
        const auto name = archive::ReadEntryName(source, *opened, passkey, state);
        if (!name.name) {
            archive::ShowDamagedArchive(ui, path, name.damage);
            break;
        }
        if (archive::IsSafeEntryName(*name.name)) names.push_back(*name.name);
        if (!archive::SkipEntryData(source, encrypted, passkey, state, progress, kScanningStatus + *name.name)) {
            archive::ShowDamagedArchive(ui, path, archive::Damage::EndsInsideEntry);
            break;
        }
    }
    return names;
}

// Restores the chosen entries of one archive. True when the archive was read
// to its end without damage, so that it may be wiped.
bool DecryptArchive(const std::string& path, std::span<const std::uint8_t> passkey,
                    const std::vector<std::string>* selection, ProgressDialog& progress, Ui& ui,
                    archive::ReaderState& state) {
    platform::File file = OpenArchive(path, ui);
    archive::FileSource source(file);
    const auto opened = archive::CheckArchiveHeader(source, path, archive::HeaderCheckForm::Decrypting, ui, state);
    if (!opened) return false;
    // Every archive with a check value is checked, not only the first: one
    // under another passkey would be restored as garbage over existing files.
    if (opened->hasCheck && ComputePasskeyCheck(passkey, opened->salt) != opened->check) {
        ui.ShowMessage(WrongPasskeyText(path), std::nullopt, MessageIcon::Exclamation);
        return false;
    }
    if (!archive::PasskeyLongEnough(opened->header.algorithm, archive::EntryHashing(opened->header), passkey.size())) {
        archive::ShowPasskeyTooShort(ui, path, opened->header.algorithm);
        return false;
    }
    const bool encrypted = archive::HeadersEncrypted(opened->header);
    while (!source.AtEnd()) {
        const auto name = archive::ReadEntryName(source, *opened, passkey, state);
        if (!name.name) {
            archive::ShowDamagedArchive(ui, path, name.damage);
            return false;
        }
        const bool chosen = selection == nullptr ||
                            std::find(selection->begin(), selection->end(), *name.name) != selection->end();
        if (!chosen) {
            if (!archive::SkipEntryData(source, encrypted, passkey, state, progress, *name.name)) {
                archive::ShowDamagedArchive(ui, path, archive::Damage::EndsInsideEntry);
                return false;
            }
            continue;
        }
        switch (archive::RestoreEntry(source, path, *name.name, *opened, passkey, state, progress, ui)) {
            case archive::RestoreOutcome::Restored:
            case archive::RestoreOutcome::Refused:
            case archive::RestoreOutcome::UnknownAlgorithm: break;
            case archive::RestoreOutcome::Incomplete:
                ui.ShowMessage(IncompleteEntryText(path, *name.name), std::nullopt, MessageIcon::Exclamation);
                return false;
            case archive::RestoreOutcome::KeyTooShort:
            case archive::RestoreOutcome::OutputFailed: return false;
        }
    }
    return true;
}

}  // namespace

std::string WrongPasskeyText(const std::string& archivePath) {
    return std::string(kIncorrectPasskeyText) + "\n" + archivePath +
           " was encrypted with another passkey. Nothing is restored from it and it is not deleted.";
}

std::string IncompleteEntryText(const std::string& archivePath, const std::string& name) {
    return "\"" + name + "\" could not be restored completely: " + archivePath +
           " ends inside it. What could be read is kept, and the archive is not deleted.";
}

int RunDecryptJob(const std::vector<std::string>& archives, bool importMode, DecryptUi& ui, ProgressView& view,
                  platform::SettingsStore& settings) {
    DecryptDialogModel model;
    const PasskeyScrubber scrubber{model};
    archive::ReaderState state;
    if (!importMode && !archives.empty()) {
        platform::File file = OpenArchive(archives.front(), ui);
        archive::FileSource source(file);
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

    std::vector<std::vector<std::string>> selections(archives.size());
    const bool choose = !model.decryptAll && !importMode;
    if (choose) {
        bool proceed = true;
        for (std::size_t i = 0; i < archives.size(); ++i) {
            ProgressDialog progress(view, ui);
            progress.SetRange(0, kProgressFull);
            const auto names = ScanNames(archives[i], passkey.bytes(), progress, ui, state);
            std::vector<std::string> chosen = names;
            if (ui.RunChooseFiles(archives[i], names, chosen)) {
                selections[i] = chosen;
            } else {
                proceed = false;  // every archive's dialog is still shown
            }
        }
        if (!proceed) return kExitDone;
    }

    ProgressDialog progress(view, ui);
    progress.SetRange(0, kProgressFull);
    for (std::size_t i = 0; i < archives.size(); ++i) {
        const std::string& path = archives[i];
        bool readCompletely;
        if (importMode) {
            int algorithm = -1;
            std::int64_t padding = 0;
            platform::File file = OpenArchive(path, ui);
            if (!ui.RunImportOptions(path, algorithm, padding)) return kExitImportCancelled;
            archive::FileSource source(file);
            const auto outcome =
                archive::ImportInput(source, path, algorithm, padding, passkey.bytes(), progress, ui);
            readCompletely = outcome == archive::ImportOutcome::Restored ||
                             outcome == archive::ImportOutcome::NothingAfterPadding;
        } else {
            readCompletely = DecryptArchive(path, passkey.bytes(), choose ? &selections[i] : nullptr, progress, ui, state);
        }
        // Only an archive read to its end is wiped.
        if (model.deleteSources && readCompletely) {
            const auto passes = static_cast<int>(settings.ReadOr(kNumIter.name, kNumIter.defaultValue));
            wipe::WipeInputFile(path, passes, progress, ui);
        }
    }
    return kExitDone;
}

}  // namespace pelorin::decrypt
