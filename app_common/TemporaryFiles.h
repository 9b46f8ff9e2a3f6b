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

// Every file is named with its identity and what tells it from a later file
// of that identity (its birth: Linux reuses a freed inode number at once),
// so that only that very file is ever removed. A file whose file system
// cannot tell it from a successor is kept, and the user is told.

// A free-space fill file, or the folder of a record fill.
class FillJournalEntry {
public:
    // Nothing when the entry cannot be written (the fill still goes on).
    static std::optional<FillJournalEntry> Record(const std::string& fillPath, const platform::FileBirth& fill);

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
// number ("pelorin-<job>-<n>.tmp"), in folders the entry lists before a
// file is made there; each file's birth is recorded once it is made. The
// entry is written when the first name is asked for and dropped with the
// object.
class JobTemporaries {
public:
    JobTemporaries();
    ~JobTemporaries();
    JobTemporaries(const JobTemporaries&) = delete;
    JobTemporaries& operator=(const JobTemporaries&) = delete;

    // A new name in `folder` (which ends with a separator) for a temporary
    // file of this job.
    std::string NameIn(const std::string& folder);
    // The file of a name from NameIn was made: what it is goes into the
    // entry, so that only this file is ever removed as a leftover.
    void Made(const std::string& path, platform::File& file);

private:
    std::string job_;
    unsigned next_ = 0;
    std::set<std::string> folders_;
    std::string entryPath_;
    platform::File entry_;
};

// Removes what the journal names and no living job holds, when it is still
// the very file recorded: fill files, and killed jobs' temporary files (each
// overwritten once first: a restored file held plaintext). Nothing else is
// touched: no other name, not a file that took a recorded one's place. An
// entry whose folder cannot be reached now (a volume not mounted) stays for
// later. Returns the paths removed; `kept` gets those that may be leftovers
// but cannot be told from a file that took their place (a file system that
// keeps no birth time or generation, a job killed as it made the file).
// Only a journal that is the user's alone is read (or written): a journal
// folder another user could write to is left alone, and `untrusted` gets it.
std::vector<std::string> RemoveLeftoverTemporaries(std::vector<std::string>* kept = nullptr,
                                                   std::string* untrusted = nullptr);
inline constexpr const char* kMaybeLeftoverText =
    "it may be a temporary file left behind by an interrupted job, but its file system cannot tell it from a file "
    "that took its place, so it stays; delete it yourself if it is not yours";

// Where the entries are kept; empty when the user has no state folder.
std::string TemporaryFilesJournalFolder();

}  // namespace pelorin
