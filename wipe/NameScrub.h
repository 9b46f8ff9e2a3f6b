#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace pelorin::wipe {

// Takes a name out of its directory before the file or folder goes: the
// item is renamed to a random name of the same length in the same folder,
// and then once more. Many file systems write a new directory entry before
// they drop the old one, so the first rename leaves the old name's bytes in
// a dead slot; the second one lands in the first free slot that fits, which
// is that one, and overwrites them. Returns the path the item has now: the
// path itself when no rename was possible (nothing is ever replaced).
std::string ScrubName(const std::string& path);

// Overwrites what an emptied folder's directory still holds of the names
// it had, before the folder is removed. File systems that keep the bytes of
// deleted entries and reuse that space first-fit (ext2/3/4, FAT) get it
// filled: entries of long random names until the folder would have to grow,
// then a few shorter ones for what is left at the end of each block; then
// they are removed again. `folder` ends with a separator. False when an
// entry it made could not be removed again (the folder then keeps it).
bool ScrubFolderEntries(const std::string& folder);

// A random name of `length` characters from [a-z0-9]; nothing when the
// system's random source fails.
std::optional<std::string> RandomName(std::size_t length);

}  // namespace pelorin::wipe
