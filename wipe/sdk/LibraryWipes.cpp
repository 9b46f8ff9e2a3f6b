#include "wipe/sdk/LibraryWipes.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Volume.h"
#include "app_common/TemporaryFiles.h"
#include "wipe/DataParts.h"
#include "wipe/FreeSpaceFill.h"
#include "wipe/Overwrite.h"
#include "wipe/Patterns.h"
#include "wipe/RecordFill.h"
#include "wipe/WipeTarget.h"
#include "wipe/sdk/LibraryState.h"
#include "wipe/sdk/PeloSDK.h"

namespace pelorin::sdk {
namespace {

constexpr const char* kFillFilePrefix = "pel";
constexpr const char* kRecordsOverwrittenText = " free file records overwritten";
// Room for the record fill's folder: a directory entry takes some 16 to 24
// bytes on ext4 and its blocks split half full, so 64 bytes a free record;
// where the free records are not told (Windows), 4 MiB.
constexpr std::uint64_t kRoomPerFreeRecord = 64;
constexpr std::uint64_t kRoomWithoutRecordCount = std::uint64_t{4} << 20;
constexpr std::uint64_t kRoomSpareClusters = 16;

std::uint64_t RecordFolderRoom(const platform::VolumeGeometry& volume) {
    const std::uint64_t entries =
        volume.freeFileRecords > 0 ? volume.freeFileRecords * kRoomPerFreeRecord : kRoomWithoutRecordCount;
    return wipe::WipeLength(entries, volume.clusterSize) + kRoomSpareClusters * volume.clusterSize;
}

wipe::OverwriteJob LibraryJob(std::uint64_t offset, std::uint64_t length, std::size_t unit) {
    wipe::OverwriteJob job;
    job.offset = offset;
    job.length = length;
    job.unit = unit;
    job.passCount = [] { return State().diskPasses; };
    job.preparePass = [](int pass, std::span<std::uint8_t> block) {
        wipe::PreparePattern(wipe::PatternCycle::FourWay, pass, block);
    };
    return job;
}

// What an operation wrote and read back goes into the library's totals.
void Count(const wipe::WipeTally& tally) {
    PeloWipeTotals& totals = State().totals;
    totals.bytesOverwritten += static_cast<long long>(tally.bytesOverwritten);
    totals.bytesVerified += static_cast<long long>(tally.bytesVerified);
    totals.verifyFailures += static_cast<long long>(tally.verifyFailures);
    totals.filesOverwritten += static_cast<long long>(tally.filesOverwritten);
}

// The steps WipeFile and WipeFileSlack share before any writing: the
// continue check, the name check, the volume's geometry, the checks of the
// file itself (only a regular file reached without a link; for a deletion
// one with no other name that can be deleted) and the open, which keeps
// other writers out.
struct OpenedForWipe {
    int error = SdkErrorNone;
    platform::VolumeGeometry volume;
    platform::File file;
    std::int64_t length = 0;
};

OpenedForWipe OpenNamedFile(const char* fileName, bool deleting) {
    OpenedForWipe opened;
    platform::FileStatus checked;
    if (!ShouldContinue()) {
        opened.error = SdkErrorAborted;
    } else if (fileName == nullptr || !platform::IsFullyQualified(fileName)) {
        opened.error = SdkErrorBadFileName;
    } else if (const auto volume = platform::QueryVolume(platform::VolumeRootOf(fileName)); !volume) {
        opened.error = SdkErrorBadDrive;
    } else if (const auto refusal = wipe::CheckWipeTarget(fileName, deleting, &checked);
               refusal != wipe::WipeRefusal::None) {
        const bool undeletable = refusal == wipe::WipeRefusal::CannotRemove || refusal == wipe::WipeRefusal::Protected;
        opened.error = undeletable ? SdkErrorDeleteFailed : SdkErrorOpenFile;
    } else {
        opened.volume = *volume;
        // Read too when the last pass is to be read back.
        opened.file = wipe::OpenWipeTarget(fileName, checked, State().verify != 0, true);
        opened.length = opened.file.IsOpen() ? opened.file.Length() : -1;
        if (opened.length < 0) opened.error = SdkErrorOpenFile;
    }
    return opened;
}

// The fill files of one free-space wipe: each made empty in the root with
// the prefix "pel", held open, named in the journal, and deleted at the end.
class FillFiles {
public:
    explicit FillFiles(std::string root) : root_(std::move(root)) {}
    FillFiles(const FillFiles&) = delete;
    FillFiles& operator=(const FillFiles&) = delete;

    // Another fill file, open for writing; nothing when none can be made.
    platform::File* Next() {
        // A volume that keeps giving new files blocks is not filling up.
        if (files_.size() >= kMostFillFiles) return nullptr;
        const auto name = platform::CreateTempFile(root_, kFillFilePrefix);
        if (!name) return nullptr;
        platform::OpenOptions options;
        options.read = State().verify != 0;  // the last pass is read back
        options.write = true;
        options.sequential = true;
        options.noFollow = true;
        platform::File file = platform::File::Open(*name, options);
        const auto status = file.IsOpen() ? file.Status() : std::nullopt;
        // Still the empty file just made, with no second name: never one that
        // was put in its place meanwhile.
        if (!status || status->size != 0 || status->names != 1) {
            file.Close();
            platform::DeleteFileNamed(*name);  // the name is this call's own; removing it harms no file
            return nullptr;
        }
        const auto birth = file.Birth();
        auto journal = birth ? FillJournalEntry::Record(*name, *birth) : std::nullopt;
        files_.push_back(std::make_unique<Fill>(Fill{*name, std::move(file), std::move(journal)}));
        return &files_.back()->file;
    }

    // True when every fill file is gone; a journal entry stays for one that is not.
    bool DeleteAll() {
        bool deleted = true;
        for (auto& fill : files_) {
            fill->file.Close();
            if (platform::DeleteFileNamed(fill->name)) continue;
            deleted = false;
            if (fill->journal) fill->journal->Keep();
        }
        files_.clear();
        return deleted;
    }

private:
    static constexpr std::size_t kMostFillFiles = 64;
    struct Fill {
        std::string name;
        platform::File file;
        std::optional<FillJournalEntry> journal;
    };
    std::string root_;
    std::vector<std::unique_ptr<Fill>> files_;
};

// After the fill, while it holds the free clusters: the free records are
// claimed (what small files deleted earlier kept in them is overwritten),
// with room released at the fill's end for the records' folder. The
// overwrite callback hears how many. False when stopped.
bool ClaimFreeRecords(const std::string& root, const platform::VolumeGeometry& volume, platform::File* fill,
                      const wipe::FillOutcome& filled) {
    // The fill's own extent blocks are written where they lie before the
    // shortening may free some of them; the room it releases was overwritten
    // with every pass already.
    fill->FlushVolume();
    const std::uint64_t room = RecordFolderRoom(volume);
    const std::uint64_t first = filled.perFile.empty() ? 0 : filled.perFile.front();
    fill->SetLength(static_cast<std::int64_t>(first > room ? first - room : 0));
    fill->Flush();
    wipe::RecordFillJob job;
    job.root = root;
    job.cluster = volume.clusterSize;
    job.freeRecords = volume.freeFileRecords;
    job.keepGoing = [] { return ShouldContinue(); };
    const wipe::RecordFillOutcome outcome = wipe::FillFreeRecords(job);
    if (outcome.claimed > 0 && State().overwrite != nullptr) {
        const std::string text = std::to_string(outcome.claimed) + kRecordsOverwrittenText;
        State().overwrite(text.c_str(), State().overwriteUser);
    }
    return !outcome.stopped;
}

}  // namespace

int WipeFileNamed(const char* fileName, const char* shownName) {
    OpenedForWipe opened = OpenNamedFile(fileName, true);
    if (opened.error != SdkErrorNone) return opened.error;
    const std::string name = fileName;
    platform::File& file = opened.file;
    const std::int64_t length = opened.length;
    const std::uint64_t cluster = opened.volume.clusterSize;
    // Where the file holds data: a sparse file's holes hold nothing.
    const auto parts = wipe::DataToOverwrite(file, static_cast<std::uint64_t>(length), cluster);
    if (!parts) return SdkErrorOpenFile;
    const std::uint64_t wipeLength = wipe::TotalLength(*parts);
    const int passes = State().diskPasses;
    ProgressReporter progress(static_cast<std::int64_t>(passes > 0 ? passes : 0) * static_cast<std::int64_t>(wipeLength),
                              shownName);
    wipe::OverwriteJob job = LibraryJob(0, wipeLength, static_cast<std::size_t>(cluster));
    job.parts = *parts;
    job.bypassCache = true;
    job.giveBackOnFailure = true;
    job.verify = State().verify != 0;
    job.afterUnit = [&](int, std::uint64_t) {
        progress.Add(static_cast<std::int64_t>(cluster));
        return ShouldContinue();
    };
    wipe::WipeTally tally;
    const wipe::OverwriteResult result = wipe::Overwrite(file, job, &tally);
    if (result == wipe::OverwriteResult::Completed) ++tally.filesOverwritten;
    Count(tally);
    switch (result) {
        case wipe::OverwriteResult::Stopped:
            file.Close();
            platform::DeleteFileNamed(name);
            return SdkErrorAborted;
        case wipe::OverwriteResult::WriteFailed:
            // Not overwritten completely: the file stays, as long as it was,
            // so that the wipe can be tried again.
            file.SetLength(length);
            return SdkErrorDeleteFailed;
        case wipe::OverwriteResult::VerifyFailed:
            // Overwritten, but not as it reads back: kept for another try.
            file.SetLength(length);
            return SdkErrorVerifyFailed;
        case wipe::OverwriteResult::Completed: break;
    }
    file.Close();
    return platform::DeleteFileNamed(name) ? SdkErrorNone : SdkErrorDeleteFailed;
}

int WipeFreeSpaceOf(const char* driveRoot) {
    if (!ShouldContinue()) return SdkErrorAborted;
    if (driveRoot == nullptr || !platform::IsDriveRootForm(driveRoot)) return SdkErrorBadDrive;
    const std::string root = driveRoot;
    const auto volume = platform::QueryVolume(root);
    if (!volume) return SdkErrorBadDrive;
    // A fill file that a killed run left behind holds free space hostage.
    RemoveLeftoverTemporaries();
    const std::uint64_t cluster = volume->clusterSize;
    // 64 bits: a modern volume's free space does not fit 32.
    const std::uint64_t freeBytes = cluster * volume->freeClusters;

    FillFiles fills(root);
    platform::File* fill = fills.Next();
    if (fill == nullptr) return SdkErrorOpenFile;
    const int passes = State().diskPasses;
    ProgressReporter progress(static_cast<std::int64_t>(passes > 0 ? passes : 0) * static_cast<std::int64_t>(freeBytes),
                              nullptr);
    wipe::FillJob job;
    job.cluster = cluster;
    job.sector = volume->sectorSize;
    job.freeBytes = freeBytes;
    job.passCount = [] { return State().diskPasses; };
    job.preparePass = [](int pass, std::span<std::uint8_t> block) {
        wipe::PreparePattern(wipe::PatternCycle::FourWay, pass, block);
    };
    job.afterCluster = [&] {
        progress.Add(static_cast<std::int64_t>(cluster));
        return ShouldContinue();
    };
    job.keepGoing = [] { return ShouldContinue(); };
    job.nextFile = [&] { return fills.Next(); };
    job.verify = State().verify != 0;
    const wipe::FillOutcome outcome = wipe::FillFreeSpace(*fill, job);
    const bool notAsWritten = outcome.result == wipe::FillResult::VerifyFailed;
    Count({outcome.written, outcome.verified, notAsWritten ? 1u : 0u, 0});
    bool stopped = outcome.result == wipe::FillResult::Stopped;
    if (!stopped && passes > 0) stopped = !ClaimFreeRecords(root, *volume, fill, outcome);
    // Blocks the file system took for the fill's own records (the extent
    // tree of a fragmented fill) are written where they lie before the fill
    // lets them go: once freed, what is still in memory is never written.
    fill->FlushVolume();
    const bool deleted = fills.DeleteAll();
    if (stopped) return SdkErrorAborted;
    if (!deleted) return SdkErrorDeleteFailed;
    return notAsWritten ? SdkErrorVerifyFailed : SdkErrorNone;
}

int WipeSlackOf(const char* fileName) {
    OpenedForWipe opened = OpenNamedFile(fileName, false);
    if (opened.error != SdkErrorNone) return opened.error;
    platform::File& file = opened.file;
    const std::int64_t length = opened.length;
    const std::uint64_t slack = wipe::WipeLength(static_cast<std::uint64_t>(length), opened.volume.clusterSize) -
                                static_cast<std::uint64_t>(length);
    if (slack == 0) return SdkErrorNone;
    // A file another program has open (an appender) is left alone: what it
    // writes meanwhile would land in the slack or be cut off.
    if (file.KeepOthersOut() == platform::File::Alone::OthersHaveItOpen) return SdkErrorOpenFile;
    const auto padded = static_cast<std::int64_t>(static_cast<std::uint64_t>(length) + slack);
    // The slack is written as one block; no progress, no stop once started.
    // Before each pass the file must be as long as this wipe left it: one
    // that another program made longer meanwhile is left as it is, so that
    // nothing it appended is overwritten or cut off.
    int passesStarted = 0;
    const auto expected = [&] { return passesStarted == 0 ? length : padded; };
    bool grown = false;
    wipe::OverwriteJob job = LibraryJob(static_cast<std::uint64_t>(length), slack, static_cast<std::size_t>(slack));
    job.volumeMayFill = true;
    job.passCount = [&] {
        grown = grown || file.Length() != expected();
        return grown ? 0 : State().diskPasses;
    };
    job.onPassStart = [&](int) { ++passesStarted; };
    job.verify = State().verify != 0;
    const auto before = file.Status();
    wipe::WipeTally tally;
    const wipe::OverwriteResult result = wipe::Overwrite(file, job, &tally);
    if (result == wipe::OverwriteResult::Completed && passesStarted > 0 && !grown) ++tally.filesOverwritten;
    Count(tally);
    if (grown || file.Length() != expected()) return SdkErrorResizeFailed;
    // 64 bits: files of 2 GiB and more get their length back too.
    if (!file.SetLength(length)) return SdkErrorResizeFailed;
    // The contents are as they were, and so is their time of last change
    // (backups and synchronisers would otherwise take every file for new).
    if (before) file.SetModified(before->modified);
    return result == wipe::OverwriteResult::VerifyFailed ? SdkErrorVerifyFailed : SdkErrorNone;
}

}  // namespace pelorin::sdk
