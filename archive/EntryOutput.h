#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app_common/TemporaryFiles.h"
#include "archive/ArchiveReader.h"
#include "archive/HeaderCheck.h"
#include "archive/RestoredFile.h"
#include "platform/File.h"

namespace pelorin::archive {

// The folder part of a path: up to and including its last separator; empty
// when it has none.
std::string FolderPart(const std::string& path);

// True when some existing component of `relative` (host separators) below
// `folder` is a link, which would lead the output out of the archive's folder.
bool PassesThroughLink(const std::string& folder, const std::string& relative);

// Creates every folder along the path, from the second character on, each up
// to and including a separator, and finally the whole path. Failures are
// ignored: folders that exist (and the drive root) are passed over.
void CreateOutputDirectories(const std::string& path);

enum class RestoreOutcome {
    Restored,
    ReplacedEarlier,  // restored over a file this job restored before (a second entry of that name)
    Refused,     // the name would leave the archive's folder, pass a link or replace an archive of the job
    Incomplete,  // the archive ended inside the entry; what was read is kept beside the target
    UnknownAlgorithm,
    KeyTooShort,
    OutputFailed,  // the output could not be written or named; what was written is kept beside the target
};

using ProtectedFiles = std::vector<platform::FileIdentity>;

// What one job's restores share: the files no output may replace (the job's
// archives), whether every output must reach the disk before an archive may
// be wiped, the files restored so far (an entry that lands on one of them is
// a second entry of that name), and the job's temporary names.
struct RestoreJob {
    ProtectedFiles protectedFiles;
    bool forceToDisk = false;
    // Set while the passkey cannot be checked (an archive without a check
    // value, import input): a wrong one gives garbage, so no existing file
    // is replaced; the output goes beside it under a free numbered name.
    bool neverReplace = false;
    ProtectedFiles restored;
    JobTemporaries temporaries;  // restored files live under these names until complete

    // What the file now at `path` is to the job, from one look at it.
    struct Standing {
        bool isProtected = false;  // one of the files every output leaves alone
        bool restoredEarlier = false;  // written by an earlier entry of this job
    };
    Standing StandingOf(const std::string& path) const;
    void Record(const std::string& path);
};

// Restores the entry `name`, whose name has just been read, to the archive's
// folder plus the name: creates the folders and writes a new file that
// replaces an existing one only when the entry is complete. Every outcome
// but Restored is reported to the user here. The job stops (status 1) when
// the output cannot be made at all.
RestoreOutcome RestoreEntry(ByteSource& archive, const std::string& archivePath, const std::string& name,
                            const OpenedArchive& opened, std::span<const std::uint8_t> passkey,
                            const ReaderState& state, ProgressDialog& progress, Ui& ui, RestoreJob& job);

// Runs `restore` into a new file for `target` (see RestoredFile) and settles
// it: on Complete the file takes the target's name (and is recorded in the
// job), or with `neverReplace` a free numbered name beside an existing one,
// which the user is told; otherwise what was written is kept beside the
// target and the user is told where, naming the entry `entryName` of
// `sourcePath`. The job stops
// (status 1) when the new file cannot be made. Complete is returned only
// when the target holds the whole entry.
// What a restore of version 8 adds: what the file gets besides its bytes,
// and the words for an entry that stopped (Truncated) in place of "the
// archive ends inside it", given where its bytes are kept.
struct RestoreDetails {
    const RestoredFile::Finish* finish = nullptr;
    std::function<std::string(const std::string& keptAs, bool targetExisted)> incompleteText;
};
ReadOutcome RestoreInto(const std::string& target, const std::string& entryName, const std::string& sourcePath,
                        Ui& ui, RestoreJob& job, const std::function<ReadOutcome(ByteSink&)>& restore,
                        const RestoreDetails* details = nullptr);

}  // namespace pelorin::archive
