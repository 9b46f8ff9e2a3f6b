#include "archive/ModernRestore.h"

#include <algorithm>

#include "archive/EntryNames.h"
#include "archive/ModernMessages.h"
#include "archive/ModernReader.h"
#include "archive/ReaderMessages.h"
#include "archive/WorkerPool.h"
#include "platform/Folder.h"
#include "platform/Paths.h"
#include "platform/Process.h"

namespace pelorin::archive {
namespace {

// Permission bits a restore never sets: set-user-ID, set-group-ID, sticky.
constexpr std::uint32_t kRestoredModeMask = 0777;
constexpr std::uint32_t kRestoredAttributesMask = kReadOnlyAttribute | kHiddenAttribute;

std::optional<std::int64_t> ModifiedOf(const EntryMetadata& entry) {
    if (!entry.time) return std::nullopt;
    return platform::ModifiedOf({entry.time->seconds, entry.time->nanoseconds});
}

// A folder this restore made, whose time and access are given back after
// the last entry (what is restored into it would change its time).
struct MadeFolder {
    std::string path;
    platform::FileIdentity identity;
    std::optional<std::int64_t> modified;
    platform::StoredAccess access;
};

void FinishFolders(const std::vector<MadeFolder>& made) {
    // Deepest first: a folder made read-only no longer lets its own
    // folders be reached.
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
        const auto opened = platform::Folder::Open(folder->path);
        const auto status = opened ? opened->Status() : std::nullopt;
        // Only the very folder this restore made.
        if (!status || status->identity != folder->identity) continue;
        if (folder->modified) opened->SetModified(*folder->modified);
        opened->ApplyAccess(folder->access);
    }
}

class ModernRestore {
public:
    ModernRestore(ModernReader& reader, const std::string& archivePath, ProgressDialog& progress, Ui& ui,
                  RestoreJob& job)
        : reader_(reader), archivePath_(archivePath), folder_(FolderPart(archivePath)), progress_(progress), ui_(ui),
          job_(job) {}

    // False when the archive cannot be read on after this entry.
    bool Entry(const EntryMetadata& entry, const std::vector<std::string>* selection, ModernRestoreResult& result) {
        const auto host = HostEntryName(entry.name);
        const bool refused = !host || entry.unknownCritical;
        const bool chosen = selection == nullptr || (host && std::find(selection->begin(), selection->end(), *host) !=
                                                                 selection->end());
        if (!chosen && !refused) {
            ++result.leftOut;
            return Skip(entry);
        }
        // An entry that cannot be restored was never the user's to leave out.
        if (entry.unknownCritical) {
            everything_ = false;
            ui_.ShowMessage(UnknownCriticalItemText(archivePath_, entry.name, *entry.unknownCritical), kErrorCaption,
                            MessageIcon::Warning);
            return Skip(entry);
        }
        const std::string relative = host ? HostRelativePath(*host) : std::string();
        if (!host || LeadsThroughLink(relative)) {
            everything_ = false;
            ShowRefusedName(ui_, archivePath_, entry.name);
            return Skip(entry);
        }
        return entry.kind == EntryKind::Folder ? Folder(entry, *host, relative) : File(entry, *host, relative);
    }

    bool everything() const { return everything_; }
    const std::vector<MadeFolder>& made() const { return made_; }

private:
    // An archive that ends inside the data passed over says so as its
    // next record.
    bool Skip(const EntryMetadata& entry) {
        progress_.SetStatus(entry.name);
        if (entry.kind == EntryKind::File) reader_.SkipData(progress_);
        return true;
    }

    bool Folder(const EntryMetadata& entry, const std::string& host, const std::string& relative) {
        const std::string path = folder_ + relative;
        progress_.CountEntry();
        progress_.SetStatus(host);
        if (const auto status = platform::StatusOf(path)) {
            // A folder that was there already keeps its own time and access.
            if (status->kind == platform::FileKind::Folder) return true;
            everything_ = false;
            ui_.ShowMessage(FolderTakenText(path, host), kErrorCaption, MessageIcon::Warning);
            return true;
        }
        CreateOutputDirectories(path + platform::kHostSeparator);
        const auto status = platform::StatusOf(path);
        if (!status || status->kind != platform::FileKind::Folder) {
            everything_ = false;
            ui_.ShowMessage(FolderTakenText(path, host), kErrorCaption, MessageIcon::Warning);
            return true;
        }
        made_.push_back({path, status->identity, ModifiedOf(entry), RestoredAccess(entry)});
        return true;
    }

    bool File(const EntryMetadata& entry, const std::string& host, const std::string& relative) {
        const std::string outputPath = folder_ + relative;
        const auto standing = job_.StandingOf(outputPath);
        if (standing.isProtected) {
            everything_ = false;
            ShowProtectedOutput(ui_, archivePath_, host);
            return Skip(entry);
        }
        const std::string entryFolder = FolderPart(relative);
        if (!entryFolder.empty() && entryFolder != madeFolder_) {
            CreateOutputDirectories(folder_ + entryFolder);
            madeFolder_ = entryFolder;
        }
        progress_.CountEntry();
        progress_.SetStatus(host);
        progress_.SetPos(0);
        RestoredFile::Finish finish{ModifiedOf(entry), RestoredAccess(entry)};
        ModernDataResult data;
        RestoreDetails details;
        details.finish = &finish;
        details.incompleteText = [&](const std::string& keptAs, bool targetExisted) {
            return FailedChunkText(archivePath_, host, data.offset, data.kind == ModernDataResult::Kind::CutShort,
                                   outputPath, keptAs, targetExisted);
        };
        const ReadOutcome outcome = RestoreInto(
            outputPath, host, archivePath_, ui_, job_,
            [&](ByteSink& sink) {
                data = reader_.ReadData(&sink, progress_);
                switch (data.kind) {
                    case ModernDataResult::Kind::Complete: return ReadOutcome::Complete;
                    case ModernDataResult::Kind::OutputFailed: return ReadOutcome::OutputWriteFailed;
                    case ModernDataResult::Kind::FailedTag:
                    case ModernDataResult::Kind::CutShort: break;
                }
                return ReadOutcome::Truncated;
            },
            &details);
        progress_.SetPos(kProgressFull);
        if (outcome == ReadOutcome::Complete) {
            if (standing.restoredEarlier) {
                // The earlier entry of that name is no longer on disk: the
                // archive is its only copy now.
                everything_ = false;
                ShowReplacedEarlier(ui_, archivePath_, host);
            }
            return true;
        }
        everything_ = false;
        // After a failed chunk the records that follow can still be read; a
        // failed output ends the restore of the archive.
        return outcome == ReadOutcome::Truncated;
    }

    // Whether a component of the output path is a link. The entries of one
    // folder follow each other: its own components are looked at when an
    // entry first leads into it, the entry's name every time.
    bool LeadsThroughLink(const std::string& relative) {
        const std::string entryFolder = FolderPart(relative);
        if (entryFolder == checkedFolder_) {
            return platform::IsLink(folder_ + relative);
        }
        if (PassesThroughLink(folder_, relative)) return true;
        checkedFolder_ = entryFolder;
        madeFolder_.clear();
        return false;
    }

    static std::string FolderTakenText(const std::string& path, const std::string& host) {
        return "The folder \"" + host + "\" could not be made as " + path +
               " (something else has that name, or the folder cannot be created).";
    }

    ModernReader& reader_;
    const std::string& archivePath_;
    std::string folder_;
    ProgressDialog& progress_;
    Ui& ui_;
    RestoreJob& job_;
    std::vector<MadeFolder> made_;
    bool everything_ = true;
    std::string checkedFolder_;  // the last entry's folder, whose components are no links
    std::string madeFolder_;     // the last folder made for a file (relative)
};

}  // namespace

platform::StoredAccess RestoredAccess(const EntryMetadata& entry) {
    platform::StoredAccess access;
    if (entry.mode) access.modeBits = *entry.mode & kRestoredModeMask;
    if (entry.attributes) access.attributes = *entry.attributes & kRestoredAttributesMask;
    return access;
}

std::optional<std::string> HostEntryName(const std::string& utf8) {
    if (!IsValidModernName(utf8)) return std::nullopt;
    auto host = platform::NameFromUtf8(utf8);
    if (!host || !IsSafeEntryName(*host)) return std::nullopt;
    return host;
}

ModernOpening OpenModernArchive(ByteSource& source, const std::string& archivePath,
                                std::span<const std::uint8_t> passkey, ModernKeyRing& ring, ProgressDialog& progress,
                                Ui& ui, const std::string& wrongPasskeyText) {
    ModernHeaderBytes bytes{};
    const std::size_t got = source.Read(bytes);
    ModernOpening opening;
    if (source.Failed() || got < bytes.size()) {
        ShowDamagedArchive(ui, archivePath, source.Failed() ? Damage::UnreadableFile : Damage::ShortHeader);
        return opening;
    }
    const ParsedHeader parsed = ParseModernHeader(bytes);
    if (parsed.header && !ring.Holds(bytes)) {
        progress.SetStatus(DerivingKeyStatus(archivePath, parsed.header->cost));
        progress.SetPos(0);
    }
    opening = ring.Open(bytes, passkey, JobWorkers(), [&](std::uint32_t done, std::uint32_t total) {
        progress.SetPos(static_cast<int>(std::uint64_t{kProgressFull} * done / total));
        progress.ConfirmCancelIfRequested();
    });
    switch (opening.result) {
        case ModernOpening::Result::Opened: break;
        case ModernOpening::Result::WrongPasskey:
            ui.ShowMessage(wrongPasskeyText, std::nullopt, MessageIcon::Exclamation);
            break;
        case ModernOpening::Result::BadHeader:
            ui.ShowMessage(RefusedHeaderText(archivePath, opening.fault, bytes), kErrorCaption, MessageIcon::Warning);
            break;
        case ModernOpening::Result::MemoryUnavailable:
            ui.ShowMessage(DerivationMemoryText(archivePath, opening.memoryBytes), kErrorCaption,
                           MessageIcon::Warning);
            break;
        case ModernOpening::Result::ShortHeader:
        case ModernOpening::Result::Unreadable: ShowDamagedArchive(ui, archivePath, Damage::ShortHeader); break;
    }
    return opening;
}

std::vector<std::string> ScanModernNames(ByteSource& source, std::span<const std::uint8_t> fileKey,
                                         const std::string& archivePath, const std::string& statusPrefix,
                                         ProgressDialog& progress, Ui& ui) {
    std::vector<std::string> names;
    ModernReader reader(source, fileKey, JobWorkers());
    for (;;) {
        const ModernRecord record = reader.Next();
        if (record.kind == ModernRecord::Kind::End) break;
        if (record.kind == ModernRecord::Kind::Fault) {
            ui.ShowMessage(ModernReadFaultText(archivePath, record), kErrorCaption, MessageIcon::Warning);
            break;
        }
        const EntryMetadata& entry = record.metadata;
        const auto host = HostEntryName(entry.name);
        if (host && !entry.unknownCritical) {
            names.push_back(*host);
        } else {
            ui.ShowMessage(entry.unknownCritical ? UnknownCriticalItemText(archivePath, entry.name, *entry.unknownCritical)
                                                 : NotOfferedNameText(archivePath, entry.name),
                           kErrorCaption, MessageIcon::Warning);
        }
        progress.SetStatus(statusPrefix + entry.name);
        if (entry.kind == EntryKind::File) reader.SkipData(progress);
    }
    return names;
}

ModernRestoreResult RestoreModernArchive(ByteSource& source, std::span<const std::uint8_t> fileKey,
                                         const std::string& archivePath, const std::vector<std::string>* selection,
                                         ProgressDialog& progress, Ui& ui, RestoreJob& job) {
    ModernRestoreResult result;
    // The passkey was checked by the key's tag: entries replace files.
    job.neverReplace = false;
    const platform::IdlePriorityScope idle;
    ModernReader reader(source, fileKey, JobWorkers());
    ModernRestore restore(reader, archivePath, progress, ui, job);
    bool readOn = true;
    while (readOn) {
        const ModernRecord record = reader.Next();
        if (record.kind == ModernRecord::Kind::End) {
            result.complete = restore.everything();
            break;
        }
        if (record.kind == ModernRecord::Kind::Fault) {
            ui.ShowMessage(ModernArchiveFaultText(archivePath, record), kErrorCaption, MessageIcon::Warning);
            break;
        }
        readOn = restore.Entry(record.metadata, selection, result);
    }
    FinishFolders(restore.made());
    result.readLength = source.Length();
    return result;
}

}  // namespace pelorin::archive
