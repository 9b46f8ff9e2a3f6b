#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Folder.h"

namespace pelorin::wipe {

// Takes a name out of its folder's directory before the file or folder
// goes: the item is renamed to a random name of the same length, and then
// once more. Many file systems write a new directory entry before they drop
// the old one, so the first rename leaves the old name's bytes in a dead
// slot, which the second one may land in. Returns the name the item has
// now: `name` itself when no rename was possible (nothing is ever replaced).
std::string ScrubName(const platform::Folder& folder, const std::string& name);

// Removes a file, or an emptied folder, named in `folder`, its name
// overwritten first (ScrubName); one that then stays gets its name back.
bool DeleteWithScrubbedName(const platform::Folder& folder, const std::string& name);
bool RemoveFolderWithScrubbedName(const platform::Folder& folder, const std::string& name);
// The same for a full path: its folder is opened as the user named it.
bool DeleteWithScrubbedName(const std::string& path);

// Overwrites what a folder's directory still holds of the names of entries
// deleted from it, before an emptied folder is removed (or when it stays).
// File systems that keep the bytes of deleted entries and reuse that space
// first-fit (ext2/3/4, FAT) get it filled: entries of long random names
// until the folder would have to grow (where its size is known; else
// `deadBytes`' worth, the DeadEntryBytes of each name that went), then a few
// shorter ones for what is left at the end of each block; then they are
// removed again and the folder is forced to the disk. False when an entry
// it made could not be removed again.
bool ScrubFolderEntries(const platform::Folder& folder, std::uint64_t deadBytes);
std::uint64_t DeadEntryBytes(std::size_t nameLength);

// A random name of `length` characters from [a-z0-9]; nothing when the
// system's random source fails.
std::optional<std::string> RandomName(std::size_t length);

}  // namespace pelorin::wipe
