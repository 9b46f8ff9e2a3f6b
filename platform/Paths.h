#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileStatus.h"

namespace pelorin::platform {

// The separator between folder names on this host.
#if defined(_WIN32)
inline constexpr char kHostSeparator = '\\';
#else
inline constexpr char kHostSeparator = '/';
#endif

// The folder at a volume's root where the file system's checker puts what
// it finds, which a wipe of everything keeps: "lost+found" on Linux; none on
// Windows.
#if defined(_WIN32)
inline constexpr const char* kCheckerFolderName = nullptr;
#else
inline constexpr const char* kCheckerFolderName = "lost+found";
#endif

// A name made absolute against the current folder, with "." and ".."
// resolved as the system resolves them: on Linux through links ("link/.."
// is the parent of the link's target, "file/.." names nothing), on Windows
// as text. The name as given when it cannot be resolved.
std::string AbsolutePath(const std::string& name);

// A name of the programs' text as UTF-8 (an archive of version 8 stores
// names so), and back: on Linux the bytes as they are (the caller checks that
// they are UTF-8); on Windows, where names are UTF-8 inside, the name itself,
// nothing for one with a lone surrogate, which UTF-8 cannot hold.
std::optional<std::string> NameAsUtf8(const std::string& name);
std::optional<std::string> NameFromUtf8(const std::string& utf8);

// Creates one folder. False when it could not be created (it may exist).
bool CreateFolder(const std::string& path);

// True when the path names an existing folder.
bool IsFolder(const std::string& path);

// True when the name itself is a symbolic link, junction or mount point (it
// is not followed).
bool IsLink(const std::string& path);

// What a folder holds, in the order the system enumerates it (without "."
// and "..").
struct FolderListing {
    std::vector<std::string> names;
    bool readable = true;
};

// `folder` ends with a separator.
FolderListing ListFolder(const std::string& folder);

// The name the file system stores for the last component of `path` (the
// long name for a short 8.3 name on Windows); nothing when it does not exist.
std::optional<std::string> StoredName(const std::string& path);

// The short (8.3) form of an existing path on Windows, when the volume keeps
// short names and the result fits the old 260-character limit; nothing
// otherwise (and always nothing on Linux, which has no short names).
std::optional<std::string> ShortFormOf(const std::string& path);

// A name's length as its file system counts it (and limits it, to 255 on
// most): UTF-16 units on Windows, bytes on Linux.
std::size_t NameLengthOnDisk(const std::string& name);

// The size of a file in bytes; nothing when it cannot be read.
std::optional<std::uint64_t> FileSize(const std::string& path);

// Forces what a folder's directory holds to the disk (a folder that is
// removed next would otherwise lose changes still in memory). False when the
// system did not do it.
bool FlushFolder(const std::string& path);

// Removes an empty folder.
bool RemoveFolder(const std::string& path);

// Removes a link itself (a symbolic link, junction or mount point), never
// what it leads to.
bool RemoveLink(const std::string& path);

// True when both names lead to the same file (the same file identity);
// names that cannot be queried compare as text.
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace pelorin::platform
