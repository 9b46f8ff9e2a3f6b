#include "wipe/RecordFill.h"

#include <array>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include "app_common/TemporaryFiles.h"
#include "platform/File.h"
#include "platform/Folder.h"
#include "platform/OsRandom.h"
#include "platform/Paths.h"

namespace pelorin::wipe {
namespace {

constexpr const char* kFolderPrefix = "pel";
constexpr const char* kFolderSuffix = ".dir";
constexpr int kFolderAttempts = 8;
constexpr std::uint64_t kRecordsBetweenChecks = 256;
constexpr std::uint64_t kRecordMargin = 1024;

// A new folder of this fill's own in the root, opened; nothing when none
// could be made.
std::optional<std::pair<std::string, platform::Folder>> MakeFolder(const std::string& root) {
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        std::array<std::uint8_t, 4> random{};
        if (!platform::OsRandomBytes(random)) return std::nullopt;
        char name[16];
        std::snprintf(name, sizeof name, "%02x%02x%02x%02x", random[0], random[1], random[2], random[3]);
        const std::string path = root + kFolderPrefix + name + kFolderSuffix;
        if (!platform::CreateFolder(path)) continue;
        // Never one put in its place meanwhile: a link is not opened.
        if (auto folder = platform::Folder::Open(path)) return std::make_pair(path, std::move(*folder));
        return std::nullopt;
    }
    return std::nullopt;
}

platform::File NewRecord(const platform::Folder& folder, std::uint64_t number) {
    platform::OpenOptions create;
    create.write = true;
    create.create = true;
    create.exclusive = true;
    create.noFollow = true;
    return platform::File::OpenIn(folder, std::to_string(number), create);
}

// Grows the first record while the volume sets no cluster aside for it:
// the bytes a record holds, 0 when it holds none.
std::uint64_t RecordCapacity(platform::File& record, std::uint64_t cluster) {
    const std::array<std::uint8_t, kRecordProbeStep> step{};
    std::uint64_t capacity = 0;
    while (capacity + kRecordProbeStep <= kMostRecordBytes) {
        if (record.Write(step.data(), step.size()) != static_cast<std::int64_t>(step.size())) break;
        const std::int64_t allocated = record.AllocatedLength();
        if (allocated < 0 || static_cast<std::uint64_t>(allocated) >= cluster) break;
        capacity += kRecordProbeStep;
    }
    return capacity;
}

}  // namespace

RecordFillOutcome FillFreeRecords(const RecordFillJob& job) {
    RecordFillOutcome outcome;
    auto made = MakeFolder(job.root);
    if (!made) return outcome;
    const std::string path = made->first;
    const platform::Folder& folder = made->second;
    // A killed run leaves the folder full of records; the next start of a
    // program of the suite removes it.
    const auto birth = folder.Birth();
    std::optional<FillJournalEntry> journal = birth ? FillJournalEntry::Record(path, *birth) : std::nullopt;

    std::uint64_t madeRecords = 0;
    if (platform::File first = NewRecord(folder, 0); first.IsOpen()) {
        madeRecords = 1;
        const std::uint64_t capacity = RecordCapacity(first, job.cluster);
        first.Close();
        if (capacity > 0) {
            const std::vector<std::uint8_t> contents(static_cast<std::size_t>(capacity), 0);
            const std::uint64_t most =
                job.freeRecords > 0 ? job.freeRecords + kRecordMargin : std::numeric_limits<std::uint64_t>::max();
            while (madeRecords < most) {
                if (madeRecords % kRecordsBetweenChecks == 0 && job.keepGoing && !job.keepGoing()) {
                    outcome.stopped = true;
                    break;
                }
                platform::File record = NewRecord(folder, madeRecords);
                if (!record.IsOpen()) break;  // the volume refuses a new one
                ++madeRecords;
                // A record that refuses the contents is claimed all the same.
                record.Write(contents.data(), contents.size());
            }
            outcome.claimed = madeRecords;
        }
    }
    for (std::uint64_t number = 0; number < madeRecords; ++number) {
        outcome.removed = folder.Delete(std::to_string(number)) && outcome.removed;
    }
    made.reset();  // closed: on Windows an open folder cannot be removed
    outcome.removed = platform::RemoveFolder(path) && outcome.removed;
    if (!outcome.removed && journal) journal->Keep();
    return outcome;
}

}  // namespace pelorin::wipe
