#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pelorin::platform {

// What a name stands for. Only symbolic links, junctions and mount points
// count as links; a Windows reparse point of another kind (a cloud
// placeholder, a deduplicated file) is the file or folder it presents.
enum class FileKind { Regular, Folder, Link, Other };

// Which file a name or handle leads to: device and inode on Linux, volume
// serial and file index on Windows. Two names with one identity are one file.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// What tells a file from a later one that takes its name and its identity
// (ext2/ext4 give a freed inode number to the next new file at once): on
// Linux the birth time and the inode generation, on Windows the creation
// time and, where the volume has them, the upper half of a 128-bit file id
// (NTFS's 64-bit index already carries a sequence number that changes with
// each reuse). A file system that keeps neither leaves both unknown: such a
// file cannot be told from its successor.
struct FileBirth {
    FileIdentity identity;
    std::optional<std::int64_t> born;            // in the system's own ticks
    std::optional<std::uint64_t> generation;
    friend bool operator==(const FileBirth&, const FileBirth&) = default;
};

struct FileStatus {
    FileKind kind = FileKind::Other;
    FileIdentity identity;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // last change of the contents, in the system's own ticks
    std::uint32_t names = 1;    // hard links: the number of names the file has
    // Something is mounted on this name (on Linux also a file or folder of
    // the same file system bound there); a Windows mount point is a link.
    bool mountPoint = false;
    // Linux inode flags (chattr +a, +i): an append-only or immutable file
    // cannot lose its name, and nothing in an append-only or immutable
    // folder can be removed; neither can be overwritten in place.
    bool appendOnly = false;
    bool immutable = false;
    // The file system compresses, encrypts (Windows EFS) or keeps sparse the
    // file's contents on its own: an overwrite in place does not reach the
    // clusters its old contents were written to.
    bool compressed = false;
    bool encrypted = false;
    bool sparse = false;
    // What an archive keeps of the file's access, each host its own kind:
    // the permission bits (& 07777) on Linux, the attributes on Windows.
    std::optional<std::uint32_t> modeBits;
    std::optional<std::uint32_t> attributes;
};

// A time of last change as seconds and nanoseconds since 1970-01-01 UTC
// (nanoseconds below 10^9; seconds before 1970 are negative).
struct UnixTime {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;
    friend bool operator==(const UnixTime&, const UnixTime&) = default;
};
// A status's `modified` ticks as such a time, and back; nothing when the
// system's ticks cannot hold the time (Windows keeps 100 ns from 1601 on:
// finer nanoseconds are dropped).
UnixTime UnixTimeOf(std::int64_t modified);
std::optional<std::int64_t> ModifiedOf(const UnixTime& time);

// What a restore gives back of a file's or folder's access; each host takes
// its own kind and leaves the other: the permission bits on Linux, the
// read-only and hidden attributes on Windows.
struct StoredAccess {
    std::optional<std::uint32_t> modeBits;
    std::optional<std::uint32_t> attributes;
};

// The status of the name itself; a link is reported as a link, never
// followed. Nothing when the name does not exist or cannot be queried.
std::optional<FileStatus> StatusOf(const std::string& path);

// True when the reparse tag marks a link (a symbolic link, a junction or a
// mount point) rather than a file that a filter presents.
bool IsLinkReparseTag(std::uint32_t tag);

}  // namespace pelorin::platform
