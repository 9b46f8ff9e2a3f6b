#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelorin::platform {

// The separator between folder names on this host.
#if defined(_WIN32)
inline constexpr char kHostSeparator = '\\';
#else
inline constexpr char kHostSeparator = '/';
#endif

// Creates one folder. False when it could not be created (it may exist).
bool CreateFolder(const std::string& path);

// True when the path names an existing folder.
bool IsFolder(const std::string& path);

}  // namespace pelorin::platform

namespace pelorin::platform {

// True when the name itself is a symbolic link, junction or other reparse
// point (it is not followed).
bool IsLink(const std::string& path);

}  // namespace pelorin::platform

#include <vector>

namespace pelorin::platform {

// The names in a folder (without "." and ".."), in the order the system
// enumerates them. `folder` ends with a separator. Empty when it cannot be
// read.
std::vector<std::string> ListFolder(const std::string& folder);

}  // namespace pelorin::platform

namespace pelorin::platform {

// The name the file system stores for the last component of `path` (the
// long name for a short 8.3 name on Windows); nothing when it does not exist.
std::optional<std::string> StoredName(const std::string& path);

// The size of a file in bytes; nothing when it cannot be read.
std::optional<std::uint64_t> FileSize(const std::string& path);

// Removes an empty folder.
bool RemoveFolder(const std::string& path);

}  // namespace pelorin::platform

namespace pelorin::platform {

// True when both names lead to the same file (the same inode on Linux; the
// same full path, letter case aside, on Windows).
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace pelorin::platform
