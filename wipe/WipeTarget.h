#pragma once

#include <string>

#include "platform/File.h"
#include "platform/FileStatus.h"
#include "platform/Folder.h"

namespace pelorin::wipe {

// Why a file is not to be overwritten. Every wipe routine asks before it
// writes a byte or removes a name, so that it touches only what it was
// given: never through a link, never a device, pipe or socket, never data
// that a second name (hard link) still holds, and never a file it could not
// delete afterwards.
enum class WipeRefusal {
    None,
    Missing,
    Link,
    NotAFile,      // a folder, device, pipe or socket
    MountPoint,    // something is mounted on its name: the data is another file system's
    OtherNames,    // the file has further names (hard links)
    Protected,     // it, or its folder, is append-only or immutable: its name could not go
    CannotRemove,  // its folder does not let it go, or it is read-only
};

// The checks in that order; `deleting` adds the last three (a slack wipe
// keeps the file and its names).
WipeRefusal CheckWipeTarget(const std::string& name, bool deleting, platform::FileStatus* status = nullptr);

// Opens the checked file for overwriting (writing, sequential, never
// through a link) and makes sure the handle leads to the file that was
// checked, not to one put in its place meanwhile. `hold` keeps the suite's
// other programs out while it is open (an exclusive lock; on Windows no
// write sharing) and lets its name change meanwhile; a file another job
// holds fails with InUse in `error`.
platform::File OpenWipeTarget(const std::string& name, const platform::FileStatus& checked, bool read = false,
                              bool hold = false, platform::FileError* error = nullptr);

// The same for a name in an open folder, so that nothing on the way to it
// can change between the check and the open.
WipeRefusal CheckWipeTarget(const platform::Folder& folder, const std::string& name, bool deleting,
                            platform::FileStatus* status = nullptr);
platform::File OpenWipeTarget(const platform::Folder& folder, const std::string& name,
                              const platform::FileStatus& checked, bool hold, platform::FileError* error = nullptr,
                              bool read = false);

// How the tools word a file whose last pass did not read back as written,
// to follow its name.
inline constexpr const char* kNotAsWrittenText =
    "was overwritten, but its last pass did not read back as written; not deleted";

// How the tools word a refusal ("has other names (hard links); not wiped").
std::string WipeRefusalText(WipeRefusal refusal);

}  // namespace pelorin::wipe
