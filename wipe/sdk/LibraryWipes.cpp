#include "wipe/sdk/LibraryWipes.h"

#include <string>

#include "platform/File.h"
#include "platform/Volume.h"
#include "app_common/TemporaryFiles.h"
#include "wipe/DataParts.h"
#include "wipe/FreeSpaceFill.h"
#include "wipe/Overwrite.h"
#include "wipe/Patterns.h"
#include "wipe/WipeTarget.h"
#include "wipe/sdk/LibraryState.h"
#include "wipe/sdk/PeloSDK.h"

namespace pelorin::sdk {
namespace {

constexpr const char* kFillFilePrefix = "pel";

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
        opened.file = wipe::OpenWipeTarget(fileName, checked, false, true);
        opened.length = opened.file.IsOpen() ? opened.file.Length() : -1;
        if (opened.length < 0) opened.error = SdkErrorOpenFile;
    }
    return opened;
}

}  // namespace

int WipeFileNamed(const char* fileName) {
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
                              fileName);
    wipe::OverwriteJob job = LibraryJob(0, wipeLength, static_cast<std::size_t>(cluster));
    job.parts = *parts;
    job.bypassCache = true;
    job.giveBackOnFailure = true;
    job.afterUnit = [&](int, std::uint64_t) {
        progress.Add(static_cast<std::int64_t>(cluster));
        return ShouldContinue();
    };
    switch (wipe::Overwrite(file, job)) {
        case wipe::OverwriteResult::Stopped:
            file.Close();
            platform::DeleteFileNamed(name);
            return SdkErrorAborted;
        case wipe::OverwriteResult::WriteFailed:
            // Not overwritten completely: the file stays, as long as it was,
            // so that the wipe can be tried again.
            file.SetLength(length);
            return SdkErrorDeleteFailed;
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

    const auto fillName = platform::CreateTempFile(root, kFillFilePrefix);
    if (!fillName) return SdkErrorOpenFile;
    platform::OpenOptions options;
    options.write = true;
    options.sequential = true;
    options.noFollow = true;
    platform::File fill = platform::File::Open(*fillName, options);
    const auto fillStatus = fill.IsOpen() ? fill.Status() : std::nullopt;
    // Still the empty file just made, with no second name: never one that
    // was put in its place meanwhile.
    if (!fillStatus || fillStatus->size != 0 || fillStatus->names != 1) {
        fill.Close();
        platform::DeleteFileNamed(*fillName);  // the name is this call's own; removing it harms no file
        return SdkErrorOpenFile;
    }
    const auto fillBirth = fill.Birth();
    auto journal = fillBirth ? FillJournalEntry::Record(*fillName, *fillBirth) : std::nullopt;
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
    const wipe::FillOutcome outcome = wipe::FillFreeSpace(fill, job);
    fill.Close();
    const bool deleted = platform::DeleteFileNamed(*fillName);
    if (!deleted && journal) journal->Keep();
    if (outcome.result == wipe::FillResult::Stopped) return SdkErrorAborted;
    return deleted ? SdkErrorNone : SdkErrorDeleteFailed;
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
    const auto before = file.Status();
    wipe::Overwrite(file, job);
    if (grown || file.Length() != expected()) return SdkErrorResizeFailed;
    // 64 bits: files of 2 GiB and more get their length back too.
    if (!file.SetLength(length)) return SdkErrorResizeFailed;
    // The contents are as they were, and so is their time of last change
    // (backups and synchronisers would otherwise take every file for new).
    if (before) file.SetModified(before->modified);
    return SdkErrorNone;
}

}  // namespace pelorin::sdk
