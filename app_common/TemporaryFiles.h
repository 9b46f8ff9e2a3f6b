#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FileStatus.h"

namespace pelorin {

// The suite's programs make files that live only while a job runs: restored
// files before they take their names, an archive written beside the one it
// replaces, the free-space fill. Each such file is named in a small journal
// entry in the user's state folder, held open by the job that owns it, so
// that what a killed job (power cut, task manager, SIGKILL) left behind is
// removed by the next program of the suite that starts, and so that no
// program ever takes a living job's file for a leftover.

// A free-space fill file, or the folder of a record fill: named with its
// identity, so that only that very file or folder is ever removed (one of
// the same name with another identity stays).
class FillJournalEntry {
public:
    // Nothing when the entry cannot be written (the fill still goes on).
    static std::optional<FillJournalEntry> Record(const std::string& fillPath, const platform::FileIdentity& fill);

    FillJournalEntry(FillJournalEntry&& other) noexcept = default;
    FillJournalEntry& operator=(FillJournalEntry&&) = delete;
    // The fill file is gone: the entry goes too.
    ~FillJournalEntry();

    // The fill file could not be deleted: the entry stays for the next run,
    // which removes the file.
    void Keep() { keep_ = true; }

private:
    FillJournalEntry(std::string entryPath, platform::File entry)
        : entryPath_(std::move(entryPath)), entry_(std::move(entry)) {}
    std::string entryPath_;
    platform::File entry_;
    bool keep_ = false;
};

// The temporary files of one job: names that carry the job's own random
// number ("pelorin-<job>-<n>.tmp"), in folders the entry lists. The entry is
// written when the first name is asked for and dropped with the object.
class JobTemporaries {
public:
    JobTemporaries();
    ~JobTemporaries();
    JobTemporaries(const JobTemporaries&) = delete;
    JobTemporaries& operator=(const JobTemporaries&) = delete;

    // A new name in `folder` (which ends with a separator) for a temporary
    // file of this job.
    std::string NameIn(const std::string& folder);

private:
    std::string job_;
    unsigned next_ = 0;
    std::set<std::string> folders_;
    std::string entryPath_;
    platform::File entry_;
};

// Removes what the journal names and no living job holds: fill files that
// are still the very file recorded, and killed jobs' temporary files (each
// overwritten once first: a restored file held plaintext). An entry whose
// folder cannot be reached now (a volume not mounted) stays for later.
// Returns the paths removed.
std::vector<std::string> RemoveLeftoverTemporaries();

// Where the entries are kept.
std::string TemporaryFilesJournalFolder();

}  // namespace pelorin
