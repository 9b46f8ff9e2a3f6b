#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FileStatus.h"

namespace pelorin::wipe {

// While a free-space fill file exists, a small entry in the user's state
// folder names it (its path and its file identity), so that a fill file left
// behind by a run that was killed (power cut, task manager, SIGKILL) is
// found and removed by the next one. The run that owns a fill holds its
// entry open and locked, so that no other run takes a living fill for a
// leftover.
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

// Deletes every fill file that the journal names, that no run holds and that
// is still the very file recorded (a file of the same name with another
// identity is never touched), and drops the entries; returns the paths of
// the files removed.
std::vector<std::string> RemoveLeftoverFills();

// Where the entries are kept.
std::string FillJournalFolder();

}  // namespace pelorin::wipe
