#include "encrypt_app/EncryptJob.h"

#include "app_common/SharedRandom.h"
#include "archive/ArchiveFormat.h"
#include "archive/ArchiveStart.h"
#include "archive/ArchiveWriter.h"
#include "archive/Streams.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"
#include "encrypt_app/CommandLine.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/JobList.h"
#include "platform/File.h"
#include "platform/OsRandom.h"
#include "platform/Paths.h"
#include "platform/Volume.h"
#include "wipe/ProgramWipes.h"

namespace pelorin::encrypt {
namespace {

// Thrown when the archive itself can no longer be written: the job stops.
struct ArchiveFailed {};

enum class FileOutcome { Stored, Skipped, NotStored };

// Scrubs the dialog's passkey texts however the job ends.
struct PasskeyScrubber {
    EncryptDialogModel& model;
    ~PasskeyScrubber() {
        ScrambleString(model.passkey);
        ScrambleString(model.verify);
    }
};

class Walk {
public:
    Walk(archive::ByteSink& archive, std::string archivePath, std::span<const std::uint8_t> passkey, int algorithm,
         bool encryptHeaders, PasskeyHashing hashing, int passes, bool deleteSources, ProgressDialog& progress,
         Ui& ui)
        : archive_(archive), archivePath_(std::move(archivePath)), passkey_(passkey, kKeyScrubPasses),
          algorithm_(algorithm), encryptHeaders_(encryptHeaders), hashing_(hashing), passes_(passes),
          deleteSources_(deleteSources), progress_(progress), ui_(ui) {}

    void DroppedItem(const JobItem& item) {
        if (item.fullPath.empty()) {
            Tell(NotFoundText(item.given));
            return;
        }
        if (platform::IsFolder(item.fullPath) && !platform::IsLink(item.fullPath)) {
            Folder(item.entryName, item.fullPath);
            if (deleteSources_) {
                progress_.SetStatus(kRemovingDirectoryStatus);
                platform::RemoveFolder(item.fullPath);
            }
            return;
        }
        if (OneFile(item.entryName, item.fullPath) != FileOutcome::NotStored && deleteSources_) {
            progress_.SetStatus(kDeletingFileStatus);
            wipe::WipeSourceFile(item.fullPath, passes_, progress_);
        }
    }

private:
    void Tell(const std::string& text) { ui_.ShowMessage(text, std::nullopt, MessageIcon::Exclamation); }

    FileOutcome OneFile(const std::string& storedName, const std::string& path) {
        if (storedName == kSkippedTemporaryName) return FileOutcome::Skipped;
        // The archive being written is never its own source.
        if (platform::IsSameFile(path, archivePath_)) return FileOutcome::NotStored;
        const auto size = platform::FileSize(path);
        if (size && *size > archive::kMaxEntrySize) {
            Tell(TooLargeText(path));
            return FileOutcome::NotStored;
        }
        platform::OpenOptions options;
        options.read = true;
        options.sequential = true;
        options.noFollow = true;
        platform::File source = platform::File::Open(path, options);
        if (!source.IsOpen()) {
            Tell(NotOpenedText(path));
            return FileOutcome::NotStored;
        }
        progress_.SetStatus(storedName);
        progress_.SetPos(0);
        if (!archive::WriteEntryName(archive_, storedName, encryptHeaders_, passkey_.bytes())) throw ArchiveFailed{};
        archive::FileSource input(source);
        archive::ArchiveWriter writer(input, archive_, passkey_.bytes(), encryptHeaders_, hashing_);
        const archive::WriteOutcome outcome = writer.Run(algorithm_, progress_, ui_);
        progress_.SetPos(kProgressFull);
        switch (outcome) {
            case archive::WriteOutcome::Complete: return FileOutcome::Stored;
            case archive::WriteOutcome::ArchiveWriteFailed: throw ArchiveFailed{};
            case archive::WriteOutcome::SourceShort: Tell(ReadIncompletelyText(path)); return FileOutcome::NotStored;
            default: return FileOutcome::NotStored;
        }
    }

    // Depth-first in the order the file system lists entries. Links are
    // neither followed nor wiped; empty files are passed over.
    void Folder(const std::string& storedPrefix, const std::string& path) {
        const std::string folder = path.back() == platform::kHostSeparator ? path : path + platform::kHostSeparator;
        const std::string prefix = storedPrefix.back() == '\\' ? storedPrefix : storedPrefix + '\\';
        for (const auto& name : platform::ListFolder(folder)) {
            const std::string full = folder + name;
            if (platform::IsLink(full) || platform::IsSameFile(full, archivePath_)) continue;
            if (platform::IsFolder(full)) {
                Folder(prefix + name, full);
                if (deleteSources_) platform::RemoveFolder(full);
                continue;
            }
            if (platform::FileSize(full).value_or(0) == 0) continue;
            if (OneFile(prefix + name, full) == FileOutcome::Stored && deleteSources_) {
                wipe::WipeSourceFile(full, passes_, progress_);
            }
        }
    }

    archive::ByteSink& archive_;
    std::string archivePath_;
    SecureBuffer passkey_;
    int algorithm_;
    bool encryptHeaders_;
    PasskeyHashing hashing_;
    int passes_;
    bool deleteSources_;
    ProgressDialog& progress_;
    Ui& ui_;
};

}  // namespace

std::string ArchiveNotWritableText(const std::string& archivePath) {
    return "The file " + archivePath + "could not be opened for writing";
}
std::string NotFoundText(const std::string& name) { return "\"" + name + "\" could not be found and was not encrypted."; }
std::string NotOpenedText(const std::string& name) {
    return "\"" + name + "\" could not be opened for reading and was not encrypted.";
}
std::string TooLargeText(const std::string& name) {
    return "\"" + name + "\" is 2 GB or larger, more than an archive entry can hold. It was not encrypted and is not "
                         "deleted.";
}
std::string ReadIncompletelyText(const std::string& name) {
    return "\"" + name + "\" could not be read completely. Its entry in the archive is incomplete and the file is not "
                         "deleted.";
}
std::string ArchiveWriteFailedText(const std::string& archivePath) {
    return "The archive " + archivePath + " could not be written; the disk may be full. Encryption stops here and "
                                          "no further file is encrypted or deleted.";
}

int RunEncryptJob(const std::vector<std::string>& arguments, EncryptUi& ui, ProgressView& view,
                  platform::SettingsStore& settings, std::string* chosenArchive) {
    SeedSharedRandomFromClock();
    const EncryptCommandLine commandLine = ParseEncryptCommandLine(arguments);
    if (commandLine.firstFileName.empty()) {
        ui.ShowNoFilesDialog();
        return kExitNoFiles;
    }
    const std::vector<JobItem> items = BuildJobList(commandLine.parameters);
    std::vector<std::string> sources;
    for (const auto& item : items) sources.push_back(item.fullPath);
    const bool overwrite = settings.ReadOr(kOverwrite.name, kOverwrite.defaultValue) != 0;
    const std::string archivePath = ChooseArchiveName(
        items.front().fullPath.empty() ? items.front().given : items.front().fullPath, overwrite, sources,
        [](const std::string& name) { return platform::FileExists(name); }, platform::IsSameFile);
    if (chosenArchive != nullptr) *chosenArchive = archivePath;

    EncryptDialogModel model;
    const PasskeyScrubber scrubber{model};
    if (settings.ReadOr(kStickyDelete.name, kStickyDelete.defaultValue) == 1) {
        model.deleteSource = settings.ReadOr(kHaveDelete.name, kHaveDelete.defaultValue) != 0;
    }
    if (settings.ReadOr(kLastAlg.name, kLastAlg.defaultValue) == 1) {
        model.ApplyInitialAlgorithm(static_cast<int>(settings.ReadOr(kActualAlg.name, kActualAlg.defaultValue)));
    }
    if (!ui.RunEncryptDialog(model)) return kExitDone;

    const auto encryptHeaders = settings.ReadOr(kEncHeaders.name, kEncHeaders.defaultValue);
    const auto hashPasskey = settings.ReadOr(kHashPasskey.name, kHashPasskey.defaultValue);
    const auto passes = static_cast<std::int32_t>(settings.ReadOr(kNumPasses.name, kNumPasses.defaultValue));
    if (settings.ReadOr(kLastAlg.name, kLastAlg.defaultValue) == 1) {
        settings.Write(kActualAlg.name, static_cast<std::uint32_t>(model.selectedAlgorithm));
    }
    if (settings.ReadOr(kStickyDelete.name, kStickyDelete.defaultValue) == 1) {
        settings.Write(kHaveDelete.name, model.deleteSource ? 1 : 0);
    }

    platform::OpenOptions create;
    create.write = true;
    create.create = true;
    create.truncate = true;
    create.sequential = true;
    platform::File archiveFile = platform::File::Open(archivePath, create);
    if (!archiveFile.IsOpen()) {
        ui.ShowMessage(ArchiveNotWritableText(archivePath), std::nullopt, MessageIcon::Exclamation);
        return kExitArchiveNotWritable;
    }
    archive::FileSink archive(archiveFile);
    archive::ArchiveHeader header;
    header.version = kArchiveVersion;
    header.algorithm = static_cast<std::uint8_t>(model.selectedAlgorithm);
    header.encryptedHeaders = static_cast<std::uint8_t>(encryptHeaders);
    header.hashedPasskey = static_cast<std::uint8_t>(hashPasskey);

    ProgressDialog progress(view, ui);
    progress.SetRange(0, kProgressFull);
    archive::ArchiveSalt salt{};
    const auto passkey = std::span(reinterpret_cast<const std::uint8_t*>(model.passkey.data()), model.passkey.size());
    if (!platform::OsRandomBytes(salt) || !archive::WriteArchiveStart(archive, header, salt, passkey)) {
        ui.ShowMessage(ArchiveWriteFailedText(archivePath), std::nullopt, MessageIcon::Exclamation);
        return kExitArchiveNotWritable;
    }
    Walk walk(archive, archivePath, passkey, model.selectedAlgorithm, encryptHeaders == archive::kEncryptedHeadersOn,
              hashPasskey == archive::kHashedPasskeyOn ? PasskeyHashing::On : PasskeyHashing::Off, passes,
              model.deleteSource, progress, ui);
    try {
        for (const auto& item : items) walk.DroppedItem(item);
    } catch (const ArchiveFailed&) {
        ui.ShowMessage(ArchiveWriteFailedText(archivePath), std::nullopt, MessageIcon::Exclamation);
        return kExitArchiveNotWritable;
    }
    return kExitDone;
}

}  // namespace pelorin::encrypt
