#pragma once

#include <windows.h>

#include <optional>

#include "platform/FileStatus.h"

namespace pelorin::platform::win32 {

struct FileInformation {
    FileStatus status;
    bool reparsePoint = false;  // the handle is a reparse point (a link or not)
};

// What an open handle is. A reparse point counts as a link only by its tag
// (symbolic link, junction, mount point).
std::optional<FileInformation> InformationOf(HANDLE handle);

// What tells an open file or folder from a later one of its identity: its
// creation time and the upper half of a 128-bit file id (ReFS).
std::optional<FileBirth> BirthOf(HANDLE handle);

// Gives a handle opened for writing attributes the read-only and hidden
// attributes of `stored`, keeping its others (File.cpp).
bool ApplyStoredAttributes(HANDLE handle, std::uint32_t stored);

}  // namespace pelorin::platform::win32
