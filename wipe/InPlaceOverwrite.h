#pragma once

#include <functional>
#include <string>

#include "platform/Folder.h"
#include "wipe/WipeTally.h"

namespace pelorin::wipe {

// Overwrites a file's contents where they lie, before the caller deletes
// it: over its exact length, so that contents a file system keeps in the
// file's own record (ext4 inline data, NTFS resident data), which no fill
// of free clusters reaches once the file is gone, are overwritten there
// too. The library's four patterns, pass after pass, each pass forced to
// the disk. Only a regular file reached without a link that this user may
// delete, and not one another job of the suite holds; a file with further
// names is not written at all, since they keep its contents.
enum class InPlaceResult {
    Overwritten,
    Gone,              // the name was gone meanwhile
    KeptByOtherNames,  // nothing written; removing this name leaves the contents to the others
    Stopped,           // `keepGoing` said stop during the passes: partly overwritten
    Refused,           // nothing written; `why` says why and what was not done, worded to follow the name
    Failed,            // a write failed: partly overwritten; `why` says so
    NotAsWritten,      // overwritten, but the last pass did not read back as written; `why` says so
};

struct InPlaceOutcome {
    InPlaceResult result = InPlaceResult::Refused;
    std::string why;
    // For a file that was written: what keeps the overwrite from its old
    // clusters (StorageNote), empty when nothing does.
    std::string note;
};

// With `verify` the last pass is read back from the disk and compared.
// What was written and verified is added to `tally` (when given).
InPlaceOutcome OverwriteInPlace(const platform::Folder& folder, const std::string& name, int passes,
                                const std::function<bool()>& keepGoing, bool verify = false,
                                WipeTally* tally = nullptr);

}  // namespace pelorin::wipe
