#include "encrypt_app/EncryptJob.h"

#include <algorithm>
#include <memory>
#include <set>

#include "app_common/JobExit.h"
#include "app_common/PassesText.h"
#include "app_common/SharedRandom.h"
#include "archive/ArchiveFormat.h"
#include "archive/ArchiveStart.h"
#include "archive/ArchiveWriter.h"
#include "archive/HeaderCipher.h"
#include "archive/ModernFormat.h"
#include "archive/ModernMessages.h"
#include "archive/ModernWriter.h"
#include "archive/WorkerPool.h"
#include "archive/EntryNames.h"
#include "archive/Streams.h"
#include "cipher/Scramble.h"
#include "encrypt_app/ArchiveFile.h"
#include "encrypt_app/CommandLine.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/JobList.h"
#include "platform/File.h"
#include "platform/OsRandom.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Volume.h"
#include "platform/Folder.h"
#include "wipe/NameScrub.h"
#include "wipe/ProgramWipes.h"

namespace pelorin::encrypt {
namespace {

// Thrown when the archive itself can no longer be written: the job stops.
struct ArchiveFailed {};

// What the job could not do for named items, told as the front end wants
// it: each at once, or kept and listed once however the job ends (a
// cancel or a failed archive included).
class NotDoneReport {
public:
    explicit NotDoneReport(EncryptUi& ui) : ui_(ui) {}
    ~NotDoneReport() {
        if (texts_.empty()) return;
        try {
            ui_.ShowMessage(NotDoneListText(texts_), std::nullopt, MessageIcon::Exclamation);
        } catch (...) {  // nothing may leave while the job unwinds
        }
    }
    NotDoneReport(const NotDoneReport&) = delete;
    NotDoneReport& operator=(const NotDoneReport&) = delete;

    void Tell(const std::string& text) {
        if (ui_.ListsNotDoneAtEnd()) {
            texts_.push_back(text);
        } else {
            ui_.ShowMessage(text, std::nullopt, MessageIcon::Exclamation);
        }
    }

private:
    EncryptUi& ui_;
    std::vector<std::string> texts_;
};

enum class FileOutcome { Stored, Skipped };

// The job list and its copies, scrubbed however the job ends.
struct ScrubbedJobList {
    std::vector<JobItem> items;
    std::vector<std::string> sources;
    ~ScrubbedJobList() {
        for (auto& item : items) {
            ScrambleString(item.given);
            ScrambleString(item.fullPath);
            ScrambleString(item.entryName);
        }
        for (auto& source : sources) ScrambleString(source);
    }
};

// A file as it was when its entry was read: it is wiped only if it is still
// that file, unchanged.
bool Unchanged(const platform::FileStatus& read, const std::optional<platform::FileStatus>& now) {
    return now && now->kind == platform::FileKind::Regular && now->identity == read.identity &&
           now->size == read.size && now->modified == read.modified;
}

// Whether two stored names would come back as one file: letter case
// counts on Linux, not on Windows.
std::string NameKey(std::string name) {
    if (platform::kHostSeparator == '\\') {
        for (char& c : name) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

class Walk {
public:
    Walk(archive::ByteSink& archive, ArchiveFile& archiveFile, const platform::FileIdentity& archiveIdentity,
         std::span<const std::uint8_t> passkey, int algorithm, const archive::ArchiveHeader& header, int passes,
         bool deleteSources, ProgressDialog& progress, EncryptUi& ui, NotDoneReport& notDone)
        : archive_(archive), archiveFile_(archiveFile), archiveIdentity_(archiveIdentity),
          passkey_(passkey),
          algorithm_(algorithm), encryptHeaders_(archive::HeadersEncrypted(header)),
          hashing_(archive::EntryHashing(header)), passes_(passes), deleteSources_(deleteSources), progress_(progress),
          ui_(ui), notDone_(notDone) {}

    // Entries go into a version-8 archive through `writer` instead: every
    // regular file whatever its size, empty files and folders as records
    // (a folder's before its contents), with their times and access.
    void UseModernWriter(archive::ModernWriter& writer, archive::ArchiveOutput& output) {
        modern_ = &writer;
        modernOutput_ = &output;
    }

    void DroppedItem(const JobItem& item) {
        const auto status = item.fullPath.empty() ? std::nullopt : platform::StatusOf(item.fullPath);
        if (!status) {
            Tell(NotFoundText(item.given));
            return;
        }
        if (status->kind == platform::FileKind::Link) {
            Tell(LinkNotFollowedText(item.fullPath));
            return;
        }
        if (status->kind == platform::FileKind::Other) {
            Tell(NotAFileText(item.fullPath));
            return;
        }
        if (status->kind == platform::FileKind::Folder) {
            volume_ = status->identity.volume;
            const bool emptied = Folder(item.entryName, item.entryName, item.fullPath);
            if (deleteSources_ && emptied) {
                progress_.SetStatus(kRemovingDirectoryStatus);
                RemoveDroppedFolder(item.fullPath);
            }
            return;
        }
        if (item.entryName == kSkippedTemporaryName) {
            // Never stored, so never wiped either: there is no copy of it.
            Tell(SkippedTemporaryText(item.fullPath));
            return;
        }
        if (OneFile(item.entryName, item.entryName, item.fullPath) == FileOutcome::Stored && deleteSources_) {
            progress_.SetStatus(kDeletingFileStatus);
            Wipe(item.fullPath);
        }
    }

    // Whether everything given was stored (and, with deletion, wiped).
    bool everythingDone() const { return everythingDone_; }
    int entries() const { return entries_; }

private:
    void Tell(const std::string& text) {
        everythingDone_ = false;
        notDone_.Tell(text);
    }

    // The reader takes a stored name back to the same relative path, or the
    // file could never be restored under its name.
    static bool NameComesBack(const std::string& storedName, const std::string& hostRelative) {
        return archive::IsSafeEntryName(storedName) && archive::HostRelativePath(storedName) == hostRelative;
    }

    // True when the file was overwritten and deleted.
    bool Wipe(const std::string& path) {
        platform::FileStatus now;
        if (const auto refusal = wipe::CheckWipeTarget(path, true, &now); refusal != wipe::WipeRefusal::None) {
            Tell(wipe::NotWipedText(path, refusal));
            return false;
        }
        if (!Unchanged(read_, now)) {
            Tell(ChangedWhileStoredText(path));
            return false;
        }
        // The archive must hold the entry for certain before its source goes.
        if (modernOutput_ != nullptr && !modernOutput_->Flush()) throw ArchiveFailed{};
        if (!archiveFile_.ForceToDisk()) throw ArchiveFailed{};
        const auto wiped = wipe::WipeSourceFile(path, passes_, progress_);
        if (!wiped) Tell(NotWipedSourceText(path, wiped));
        if (wiped) ui_.SourceDeleted(path);
        // A Cancel pressed during the wipe is asked between files.
        progress_.ConfirmCancelIfRequested();
        return static_cast<bool>(wiped);
    }

    // A dropped folder that was emptied goes with its name overwritten in
    // its parent's directory, as the files in it did.
    static void RemoveDroppedFolder(const std::string& path) {
        const std::size_t cut = path.find_last_of(platform::kHostSeparator);
        if (cut == std::string::npos || cut + 1 == path.size()) return;  // a volume's root stays
        if (const auto parent = platform::Folder::Open(path.substr(0, cut + 1), true)) {
            wipe::RemoveFolderWithScrubbedName(*parent, path.substr(cut + 1));
        }
    }

    // The metadata a version-8 entry keeps of what the file system says.
    static archive::EntryMetadata ModernMetadata(const std::string& name, archive::EntryKind kind,
                                                 const platform::FileStatus& status) {
        archive::EntryMetadata metadata;
        metadata.kind = kind;
        metadata.name = name;
        metadata.size = kind == archive::EntryKind::File ? status.size : 0;
        const platform::UnixTime time = platform::UnixTimeOf(status.modified);
        metadata.time = archive::ModernTime{time.seconds, time.nanoseconds};
        metadata.mode = status.modeBits;
        if (status.attributes) metadata.attributes = *status.attributes & archive::kStoredAttributesMask;
        return metadata;
    }

    // A stored name as a version-8 entry names it (UTF-8); nothing when it
    // cannot be one.
    static std::optional<std::string> ModernName(std::string storedName) {
        if (!storedName.empty() && storedName.back() == '\\') storedName.pop_back();
        auto utf8 = platform::NameAsUtf8(storedName);
        if (!utf8 || !archive::IsValidModernName(*utf8)) return std::nullopt;
        return utf8;
    }

    // A source that changes while it is read is taken out of the archive
    // and written again, once; if it changes again it is left out.
    FileOutcome ModernFile(const std::string& storedName, const std::string& path) {
        const auto name = ModernName(storedName);
        if (!name) {
            Tell(NotUtf8NameText(path));
            return FileOutcome::Skipped;
        }
        if (storedNames_.count(NameKey(storedName)) != 0) {
            Tell(DuplicateNameText(path, storedName));
            return FileOutcome::Skipped;
        }
        platform::OpenOptions options;
        options.read = true;
        options.sequential = true;
        options.noFollow = true;
        platform::File source = platform::File::Open(path, options);
        auto status = source.IsOpen() ? source.Status() : std::nullopt;
        if (!status) {
            Tell(NotOpenedText(path));
            return FileOutcome::Skipped;
        }
        if (status->identity == archiveIdentity_) return FileOutcome::Skipped;
        progress_.CountEntry();
        progress_.SetStatus(storedName);
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (attempt > 0) {
                status = source.Status();
                if (!status || source.Seek(0, platform::SeekFrom::Start) != 0) break;
                progress_.SetStatus(storedName + kReadAgainStatusEnding);
            }
            read_ = *status;
            progress_.SetPos(0);
            archive::FileSource input(source);
            const auto outcome = modern_->AddFile(ModernMetadata(*name, archive::EntryKind::File, read_), input,
                                                  [&] { return Unchanged(read_, source.Status()); }, progress_);
            progress_.SetPos(kProgressFull);
            switch (outcome) {
                case archive::ModernEntryOutcome::Stored:
                    storedNames_.insert(NameKey(storedName));
                    ++entries_;
                    return FileOutcome::Stored;
                case archive::ModernEntryOutcome::SourceChanged: continue;
                case archive::ModernEntryOutcome::NoRandomSource: Tell(NoRandomSourceText(path)); return FileOutcome::Skipped;
                case archive::ModernEntryOutcome::ArchiveWriteFailed: throw ArchiveFailed{};
            }
        }
        Tell(ChangedTwiceText(path));
        return FileOutcome::Skipped;
    }

    // A folder's record, before what it holds. False (told) when it could not
    // be written; what the folder holds is then not stored either.
    bool ModernFolderRecord(const std::string& storedPrefix, const std::string& path) {
        const auto name = ModernName(storedPrefix);
        if (!name) {
            Tell(NotUtf8NameText(path));
            return false;
        }
        if (storedNames_.count(NameKey(*name)) != 0) {
            Tell(DuplicateNameText(path, storedPrefix));
            return false;
        }
        const auto status = platform::StatusOf(path);
        if (!status) {
            Tell(NotFoundText(path));
            return false;
        }
        progress_.SetStatus(storedPrefix);
        switch (modern_->AddFolder(ModernMetadata(*name, archive::EntryKind::Folder, *status))) {
            case archive::ModernEntryOutcome::Stored:
                storedNames_.insert(NameKey(*name));
                ++entries_;
                return true;
            case archive::ModernEntryOutcome::NoRandomSource: Tell(NoRandomSourceText(path)); return false;
            case archive::ModernEntryOutcome::SourceChanged:
            case archive::ModernEntryOutcome::ArchiveWriteFailed: break;
        }
        throw ArchiveFailed{};
    }

    FileOutcome OneFile(const std::string& storedName, const std::string& hostRelative, const std::string& path) {
        if (!NameComesBack(storedName, hostRelative)) {
            Tell(NameCannotComeBackText(path));
            return FileOutcome::Skipped;
        }
        if (modern_ != nullptr) return ModernFile(storedName, path);
        const auto classicName = archive::ClassicStoredName(storedName);
        if (!classicName) {
            Tell(NameOutsideCodePageText(path, archive::ClassicNameCodePage()));
            return FileOutcome::Skipped;
        }
        // A second entry of one name would replace the first when restored.
        if (storedNames_.count(NameKey(storedName)) != 0) {
            Tell(DuplicateNameText(path, storedName));
            return FileOutcome::Skipped;
        }
        platform::OpenOptions options;
        options.read = true;
        options.sequential = true;
        options.noFollow = true;
        platform::File source = platform::File::Open(path, options);
        const auto status = source.IsOpen() ? source.Status() : std::nullopt;
        if (!status) {
            Tell(NotOpenedText(path));
            return FileOutcome::Skipped;
        }
        // The archive being written is never its own source.
        if (status->identity == archiveIdentity_) return FileOutcome::Skipped;
        if (status->size > archive::kMaxEntrySize) {
            Tell(TooLargeText(path));
            return FileOutcome::Skipped;
        }
        // Everything that could refuse the entry is settled before its name
        // is written: an archive never holds a name without its entry.
        EntrySalt salt{};
        if (!archive::DrawEntrySalt(salt)) {
            Tell(NoRandomSourceText(path));
            return FileOutcome::Skipped;
        }
        read_ = *status;
        storedNames_.insert(NameKey(storedName));
        ++entries_;
        progress_.CountEntry();
        progress_.SetStatus(storedName);
        progress_.SetPos(0);
        if (!archive::WriteEntryName(archive_, *classicName, encryptHeaders_, passkey_)) throw ArchiveFailed{};
        archive::FileSource input(source);
        archive::ArchiveWriter writer(input, archive_, passkey_, encryptHeaders_, hashing_, salt);
        const archive::WriteOutcome outcome = writer.Run(algorithm_, progress_, ui_);
        progress_.SetPos(kProgressFull);
        switch (outcome) {
            case archive::WriteOutcome::Complete:
                if (!Unchanged(read_, source.Status())) {
                    Tell(ChangedWhileStoredText(path));
                    return FileOutcome::Skipped;
                }
                return FileOutcome::Stored;
            case archive::WriteOutcome::ArchiveWriteFailed: throw ArchiveFailed{};
            case archive::WriteOutcome::SourceShort: Tell(ReadIncompletelyText(path)); return FileOutcome::Skipped;
            case archive::WriteOutcome::UnknownAlgorithm: everythingDone_ = false; return FileOutcome::Skipped;
        }
        return FileOutcome::Skipped;
    }

    // Depth-first in the order the file system lists entries. Links are
    // neither followed nor wiped; empty files are passed over. True when
    // everything that was in the folder was stored and, with deletion,
    // wiped, and something was stored from it, so that a restore makes it
    // again: only then may it go (an archive cannot hold an empty folder).
    // The names of what went are overwritten in its directory.
    bool Folder(const std::string& storedPrefix, const std::string& hostPrefix, const std::string& path) {
        if (!NameComesBack(storedPrefix, hostPrefix)) {
            Tell(NameCannotComeBackText(path));
            return false;
        }
        const bool recorded = modern_ != nullptr && ModernFolderRecord(storedPrefix, path);
        if (modern_ != nullptr && !recorded) return false;
        // Named once for the folder, not for each file in it.
        if (modern_ == nullptr && !archive::ClassicStoredName(storedPrefix)) {
            Tell(NameOutsideCodePageText(path, archive::ClassicNameCodePage()));
            return false;
        }
        const std::string folder = path.back() == platform::kHostSeparator ? path : path + platform::kHostSeparator;
        const std::string prefix = storedPrefix.back() == '\\' ? storedPrefix : storedPrefix + '\\';
        const std::string hostFolder = hostPrefix + platform::kHostSeparator;
        const platform::FolderListing listing = platform::ListFolder(folder);
        if (!listing.readable) Tell(FolderNotReadText(path, platform::LastFailureText()));
        bool everythingWent = listing.readable;
        // A version-8 archive holds the folder itself, so that a restore
        // makes it again even when it is empty.
        bool somethingStored = recorded;
        std::uint64_t deadEntries = 0;  // what the names that went took in the directory
        for (const auto& name : listing.names) {
            std::string full = folder + name;
            std::string stored = prefix + name;
            std::string relative = hostFolder + name;
            const ScrambleOnExit scrub(full, stored, relative);
            const auto status = platform::StatusOf(full);
            bool went = false;
            if (!status) {
                // Listed, but not to be reached by its path now.
                Tell(NotLookedAtText(full));
            } else if (status->kind == platform::FileKind::Link && modern_ != nullptr) {
                Tell(LinkNotFollowedText(full));
            } else if (status->kind == platform::FileKind::Link || status->identity == archiveIdentity_) {
                // Not followed, or the archive itself.
            } else if (status->kind == platform::FileKind::Other) {
                Tell(NotAFileText(full));  // a device, pipe or socket is no file to store
            } else if (status->kind == platform::FileKind::Folder) {
                // Another file system mounted inside a dropped folder is
                // stored, but nothing on it is wiped.
                const bool wipedAround = wipeHere_;
                if (wipeHere_ && deleteSources_ && (status->mountPoint || status->identity.volume != volume_)) {
                    Tell(MountedInsideText(full));
                    wipeHere_ = false;
                }
                if (Folder(stored, relative, full)) {
                    somethingStored = true;
                    went = deleteSources_ && RemoveEmptiedFolder(folder, name);
                }
                wipeHere_ = wipedAround;
            } else if ((status->size != 0 || modern_ != nullptr) &&
                       OneFile(stored, relative, full) == FileOutcome::Stored) {
                somethingStored = true;
                went = deleteSources_ && wipeHere_ && Wipe(full);
            }
            if (went) deadEntries += wipe::DeadEntryBytes(name.size());
            everythingWent = everythingWent && went;
        }
        // The directory keeps no names of what went from it, whether it goes
        // now or stays.
        if (deadEntries > 0) {
            if (const auto opened = platform::Folder::Open(folder)) wipe::ScrubFolderEntries(*opened, deadEntries);
        }
        return everythingWent && somethingStored;
    }

    static bool RemoveEmptiedFolder(const std::string& parent, const std::string& name) {
        const auto opened = platform::Folder::Open(parent);
        return opened && wipe::RemoveFolderWithScrubbedName(*opened, name);
    }

    archive::ByteSink& archive_;
    ArchiveFile& archiveFile_;
    platform::FileIdentity archiveIdentity_;
    std::span<const std::uint8_t> passkey_;  // the job's own, never copied
    int algorithm_;
    bool encryptHeaders_;
    PasskeyHashing hashing_;
    int passes_;
    bool deleteSources_;
    ProgressDialog& progress_;
    EncryptUi& ui_;
    NotDoneReport& notDone_;
    platform::FileStatus read_;  // the source of the last entry, as it was opened
    std::uint64_t volume_ = 0;   // the volume of the dropped folder being walked
    bool wipeHere_ = true;       // false inside another file system mounted in it
    std::set<std::string> storedNames_;
    archive::ModernWriter* modern_ = nullptr;
    archive::ArchiveOutput* modernOutput_ = nullptr;
    int entries_ = 0;
    bool everythingDone_ = true;
};

}  // namespace

std::string NotDoneListText(const std::vector<std::string>& texts) {
    std::string text = kNotDoneHeading;
    for (std::size_t i = 0; i < texts.size() && i < kNotDoneShown; ++i) text += "\n\n" + texts[i];
    if (texts.size() > kNotDoneShown) text += "\n\n... and " + std::to_string(texts.size() - kNotDoneShown) + " more.";
    return text;
}

std::string StoppedArchiveText(const std::string& archivePath, std::size_t sourcesDeleted) {
    std::string text = "the archive " + archivePath + " is incomplete";
    if (sourcesDeleted > 0) {
        text += ", but it is the only copy of the " + std::to_string(sourcesDeleted) +
                (sourcesDeleted == 1 ? " file" : " files") + " already deleted: keep it and restore what it holds";
    }
    return text;
}

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
std::string NameCannotComeBackText(const std::string& name) {
    return "\"" + name + "\" has a name that an archive cannot give back as it is (a '\\' or ':' in it, or a name of "
                         "dots and spaces only). It was not encrypted and is not deleted.";
}
std::string NameOutsideCodePageText(const std::string& name, unsigned codePage) {
    return "\"" + name + "\" has characters in its name that a classic archive cannot hold (it keeps names in the "
                         "Windows code page " + std::to_string(codePage) + "). It was not encrypted and is not deleted. "
                         "ChaCha20-Poly1305 stores names of any characters.";
}
std::string NotLookedAtText(const std::string& name) {
    return "\"" + name + "\" could not be looked at (it went meanwhile, or its path is longer than the system takes) "
                         "and was not encrypted.";
}
std::string ChangedWhileStoredText(const std::string& name) {
    return "\"" + name + "\" changed while it was encrypted, so its entry may not hold what the file holds now. It is "
                         "not deleted.";
}
std::string SkippedTemporaryText(const std::string& name) {
    return "\"" + name + "\" is never stored in an archive (the name is reserved). It was not encrypted and is not "
                         "deleted.";
}
std::string NotAFileText(const std::string& name) {
    return "\"" + name + "\" is not a regular file (a device, pipe or socket). It was not encrypted and is not "
                         "deleted.";
}
std::string NothingStoredText(const std::string& archivePath) {
    return "Nothing could be stored, so no archive was written (" + archivePath + ").";
}
std::string LinkNotFollowedText(const std::string& name) {
    return "\"" + name + "\" is a link, which is never followed. It was not encrypted and is not deleted.";
}
std::string DuplicateNameText(const std::string& name, const std::string& storedName) {
    return "\"" + name + "\" would be stored as \"" + storedName + "\", the name of an entry already in the "
           "archive, and would replace it when restored. It was not encrypted and is not deleted.";
}
std::string FolderNotReadText(const std::string& name, const std::string& reason) {
    return "The folder \"" + name + "\" could not be read (" + reason +
           "). What it holds was not encrypted and is not deleted.";
}
std::string NotWipedSourceText(const std::string& name, const wipe::WipeResult& result) {
    const std::string quoted = "\"" + name + "\" was encrypted";
    switch (result.stage) {
        case wipe::WipeResult::Stage::NotOverwritten:
            return quoted + ", but not overwritten (" + result.reason + "); it is kept as it was.";
        case wipe::WipeResult::Stage::PartlyOverwritten:
            return quoted + ", but could be overwritten only in part (" + result.reason + "), so it was kept.";
        case wipe::WipeResult::Stage::NotDeleted:
            return quoted + " and overwritten, but could not be deleted (" + result.reason + ").";
        case wipe::WipeResult::Stage::Done: break;
    }
    return quoted + " and wiped.";
}
std::string MountedInsideText(const std::string& name) {
    return "\"" + name + "\" is another file system mounted inside a dropped folder. What it holds was encrypted but is "
                         "not deleted.";
}
std::string ArchiveKeptBesideText(const std::string& chosen, const std::string& kept) {
    return "Another program changed " + chosen + " while this archive was written, so it was not replaced. The new "
                                                 "archive is " + kept + ".";
}
std::string NotUtf8NameText(const std::string& name) {
    return "\"" + name + "\" has a name that is not UTF-8 text (or is longer than an archive entry may be), which "
                         "an archive of algorithm 9 cannot hold. It was not encrypted and is not deleted.";
}
std::string ChangedTwiceText(const std::string& name) {
    return "\"" + name + "\" changed while it was encrypted, and again when it was encrypted once more, so it was "
                         "left out of the archive. It is not deleted.";
}
std::string KdfMemoryText(std::uint64_t bytes) {
    return "The key derivation needs " + std::to_string(bytes >> 20) + " MiB of memory, which could not be had. "
           "Nothing was encrypted; a smaller kdfmemory setting (or --kdf-memory) needs less.";
}
std::string NoRandomSourceText(const std::string& name) {
    return "\"" + name + "\" was not encrypted: the system's random source did not answer.";
}

int RunEncryptJob(const std::vector<std::string>& arguments, EncryptUi& ui, ProgressView& view,
                  platform::SettingsStore& settings, std::string* chosenArchive) {
    SeedSharedRandomFromClock();
    const EncryptCommandLine commandLine = ParseEncryptCommandLine(arguments);
    if (commandLine.firstFileName.empty()) {
        ui.ShowNoFilesDialog();
        return kExitNoFiles;
    }
    ScrubbedJobList job{BuildJobList(commandLine.parameters), {}};
    const std::vector<JobItem>& items = job.items;
    std::vector<std::string>& sources = job.sources;
    for (const auto& item : items) sources.push_back(item.fullPath);
    const bool overwrite = ReadSetting(settings, kOverwrite) != 0;
    const std::string& firstPath = items.front().fullPath.empty() ? items.front().given : items.front().fullPath;
    const std::string chosenName = ChooseArchiveName(
        firstPath, overwrite, sources, [](const std::string& name) { return platform::FileExists(name); },
        platform::IsSameFile);

    EncryptDialogModel model;
    if (ReadSetting(settings, kStickyDelete) == 1) {
        model.deleteSource = ReadSetting(settings, kHaveDelete) != 0;
    }
    if (ReadSetting(settings, kLastAlg) == 1) {
        model.ApplyInitialAlgorithm(static_cast<int>(ReadSetting(settings, kActualAlg)));
    }
    if (!ui.RunEncryptDialog(model)) return kExitDone;
    model.verify.Clear();

    const bool modern = model.selectedAlgorithm == archive::kModernAlgorithm;
    // The header takes the low byte of each flag setting, and the entries
    // follow the header byte, so that they always agree.
    archive::ArchiveHeader header;
    header.version = kArchiveVersion;
    header.algorithm = static_cast<std::uint8_t>(model.selectedAlgorithm);
    header.encryptedHeaders = archive::HeaderFlagOf(ReadSetting(settings, kEncHeaders));
    header.hashedPasskey = archive::HeaderFlagOf(ReadSetting(settings, kHashPasskey));
    const int passes = PassesSetting(ReadSetting(settings, kNumPasses));
    archive::ModernCost cost;
    const std::uint32_t kdfMemory = model.kdfMemoryMiB != 0 ? model.kdfMemoryMiB : ReadSetting(settings, kKdfMemory);
    cost.log2MemoryKiB = archive::Log2MemoryKiBFromMiB(kdfMemory).value_or(archive::kDefaultLog2MemoryKiB);
    if (model.remembersChoices && ReadSetting(settings, kLastAlg) == 1) {
        settings.Write(kActualAlg.name, static_cast<std::uint32_t>(model.selectedAlgorithm));
    }
    if (model.remembersChoices && ReadSetting(settings, kStickyDelete) == 1) {
        settings.Write(kHaveDelete.name, model.deleteSource ? 1 : 0);
    }
    const std::span<const std::uint8_t> passkey = model.passkey.bytes();
    // The settings may have changed since the dialog checked the passkey.
    if (!modern &&
        archive::CheckEntryCanBeWritten(model.selectedAlgorithm, archive::EntryHashing(header), passkey.size()) !=
            archive::EntryRefusal::None) {
        ui.ShowMessage(MinimumFor(model.selectedAlgorithm).message, kPasskeyTooSmallCaption, MessageIcon::Exclamation);
        return kExitIncomplete;
    }

    // Nothing named can be found: no archive is made (with overwrite on, an
    // empty one would replace an archive that may hold the only copy).
    NotDoneReport notDone(ui);
    if (std::none_of(items.begin(), items.end(), [](const JobItem& item) { return !item.fullPath.empty(); })) {
        for (const auto& item : items) notDone.Tell(NotFoundText(item.given));
        return kExitIncomplete;
    }

    platform::FileError error = platform::FileError::None;
    auto created = ArchiveFile::Create(chosenName, firstPath, overwrite, sources, error);
    const auto archiveStatus = created ? created->file().Status() : std::nullopt;
    if (!archiveStatus) {
        if (chosenArchive != nullptr) *chosenArchive = chosenName;
        ui.ShowMessage(ArchiveNotWritableText(chosenName), std::nullopt, MessageIcon::Exclamation);
        return kExitArchiveNotWritable;
    }
    // Told where the archive ends up, however the job ends.
    struct NameTeller {
        ArchiveFile& archive;
        std::string* told;
        ~NameTeller() {
            archive.Finish(false);
            if (told != nullptr) *told = archive.path();
        }
    } teller{*created, chosenArchive};
    if (chosenArchive != nullptr) *chosenArchive = created->path();
    const std::string archivePath = created->path();
    archive::FileSink archive(created->file());
    archive::FileArchiveOutput modernOutput(created->file());

    ProgressDialog progress(view, ui);
    progress.SetRange(0, kProgressFull);
    std::unique_ptr<archive::ModernWriter> modernWriter;
    if (modern) {
        progress.SetStatus(archive::DerivingKeyStatus(archivePath, cost));
        archive::ModernBeginFailure failure;
        modernWriter = archive::ModernWriter::Begin(
            modernOutput, passkey, cost, archive::JobWorkers(),
            [&](std::uint32_t done, std::uint32_t total) {
                progress.SetPos(static_cast<int>(std::uint64_t{kProgressFull} * done / total));
                progress.ConfirmCancelIfRequested();
            },
            failure);
        if (!modernWriter) {
            created->Discard();
            if (failure.kind == archive::ModernBeginFailure::Kind::MemoryUnavailable) {
                ui.ShowMessage(KdfMemoryText(failure.memoryBytes), std::nullopt, MessageIcon::Exclamation);
                return kExitIncomplete;
            }
            if (failure.kind == archive::ModernBeginFailure::Kind::NoRandomSource) {
                ui.ShowMessage(NoRandomSourceText(archivePath), std::nullopt, MessageIcon::Exclamation);
                return kExitIncomplete;
            }
            ui.ShowMessage(ArchiveWriteFailedText(archivePath), std::nullopt, MessageIcon::Exclamation);
            return kExitArchiveNotWritable;
        }
    } else {
        archive::ArchiveSalt salt{};
        if (!platform::OsRandomBytes(salt) || !archive::WriteArchiveStart(archive, header, salt, passkey)) {
            ui.ShowMessage(ArchiveWriteFailedText(archivePath), std::nullopt, MessageIcon::Exclamation);
            return kExitArchiveNotWritable;
        }
    }
    Walk walk(archive, *created, archiveStatus->identity, passkey, model.selectedAlgorithm, header, passes,
              model.deleteSource, progress, ui, notDone);
    if (modernWriter) walk.UseModernWriter(*modernWriter, modernOutput);
    try {
        const platform::IdlePriorityScope idle;
        const archive::HeaderKeyScope headerKey(passkey);
        for (const auto& item : items) walk.DroppedItem(item);
        // The end record last: an archive without it reads as incomplete.
        if (modernWriter && walk.entries() > 0 && !modernWriter->Finish()) throw ArchiveFailed{};
    } catch (const ArchiveFailed&) {
        ui.ShowMessage(ArchiveWriteFailedText(archivePath), std::nullopt, MessageIcon::Exclamation);
        return kExitArchiveNotWritable;
    }
    if (walk.entries() == 0) {
        // An archive without entries would only stand in for nothing.
        created->Discard();
        ui.ShowMessage(NothingStoredText(archivePath), std::nullopt, MessageIcon::Exclamation);
        return kExitIncomplete;
    }
    const bool placed = created->Finish(true);
    if (!placed) ui.ShowMessage(ArchiveKeptBesideText(chosenName, created->path()), std::nullopt, MessageIcon::Information);
    return walk.everythingDone() && placed ? kExitDone : kExitIncomplete;
}

}  // namespace pelorin::encrypt
