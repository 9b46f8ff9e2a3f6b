#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileStatus.h"

namespace pelorin::platform {

class Folder;

// Why an open or a transfer failed, in the C run-time's terms that the
// programs' messages use (EACCES, EEXIST, EINVAL, EMFILE, ENOENT), plus what
// the programs refuse on their own and everything else.
enum class FileError {
    None,
    AccessDenied,     // EACCES: a folder, a read-only file, no permission
    Exists,           // EEXIST
    InvalidArgument,  // EINVAL
    TooManyOpen,      // EMFILE
    NotFound,         // ENOENT: the file or a folder on its path is missing
    NoSpace,          // the volume is full
    IsLink,           // the name is a symbolic link, junction or mount point
    NotRegular,       // a device, pipe or socket: never read or written as a file
    InUse,            // another program holds the file (a lock, no sharing)
    Other,
};

// How an open file is shared with the suite's other programs. A writer of an
// archive holds it exclusively; a reader holds it shared, so that it never
// reads an archive that is still being written.
enum class FileLock { None, Shared, Exclusive };

struct OpenOptions {
    bool read = false;
    bool write = false;
    bool create = false;     // create the file when it does not exist
    bool truncate = false;   // cut an existing file to zero length
    bool exclusive = false;  // fail with Exists when the file exists
    bool sequential = false; // hint: read or written front to back
    bool noFollow = false;   // fail with IsLink when the name is a link
    FileLock lock = FileLock::None;  // fail with InUse when it cannot be had at once
    bool privateFile = false;        // a file created now is for this user alone (until MoveOver)
    bool allowRename = false;        // the name may be changed while the file is open (Windows asks)
};

enum class SeekFrom { Start, Current, End };

// A stretch of a file's bytes.
struct FileRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    friend bool operator==(const FileRange&, const FileRange&) = default;
};

// A regular file opened by handle for binary I/O with 64-bit positions.
// Opening never blocks and never yields anything but a regular file: a
// device, pipe or socket fails with NotRegular and a folder with
// AccessDenied. Closed by the destructor.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // On failure the result is not open and `error` (if given) says why;
    // LastFailureText() then has the system's wording.
    static File Open(const std::string& path, const OpenOptions& options, FileError* error = nullptr);
    // The same for a name in an open folder (see Folder).
    static File OpenIn(const Folder& folder, const std::string& name, const OpenOptions& options,
                       FileError* error = nullptr);

    bool IsOpen() const;

    // Reads until `count` bytes are in or the end of the file is reached;
    // returns the number read, or -1 on an error.
    std::int64_t Read(void* buffer, std::size_t count);

    // Writes all `count` bytes; returns the number written, which is smaller
    // when the volume filled up or an error occurred (see lastError).
    std::int64_t Write(const void* buffer, std::size_t count);

    // The new position, or -1.
    std::int64_t Seek(std::int64_t offset, SeekFrom from);
    std::int64_t Position();
    // -1 when it cannot be taken.
    std::int64_t Length();
    // True at or past the end of the file (or when the position is unknown).
    bool AtEnd();
    bool SetLength(std::int64_t length);
    // The stretches that hold data on the volume, in order: a sparse file's
    // holes are left out. A file system that cannot tell gives the whole
    // file. Nothing on an error.
    std::optional<std::vector<FileRange>> DataRanges();
    // Gives the volume back the space under a stretch, which then reads as
    // zeros; the length stays. False where the file system cannot.
    bool Deallocate(FileRange range);
    bool Flush();
    // Forces everything the file's volume still holds in memory to the disk,
    // its own records too (Linux: the whole file system; Windows: the file,
    // as Flush). Blocks the file system took for its records during a fill
    // are then written where they lie, before the fill lets them go.
    bool FlushVolume();
    // The bytes the volume set aside for the contents: less than a cluster
    // when they live in the file's own record (ext4 inline data, NTFS
    // resident data). -1 when it cannot be told.
    std::int64_t AllocatedLength();
    void Close();

    // What the open file is: identity, size, time of last change, names.
    std::optional<FileStatus> Status();
    // Its identity and what tells it from a later file of that identity.
    std::optional<FileBirth> Birth();
    // Sets the time of last change back to `modified` (as Status gives it),
    // for a wipe that leaves the contents as they were.
    bool SetModified(std::int64_t modified);
    // Gives the file the access an archive kept (see StoredAccess); true when
    // there is nothing of this host's kind to give.
    bool ApplyAccess(const StoredAccess& access);

    // Keeps every other program away from the file while this handle is
    // open, where the system can: on Linux a write lease, which only a file
    // nobody else has open can get and which makes others' opens wait until
    // this one is closed; on Windows the open's sharing does it already.
    enum class Alone { Yes, OthersHaveItOpen, CannotTell };
    Alone KeepOthersOut();

    // Changes the lock this handle holds (as OpenOptions::lock takes it),
    // without waiting: false when another program of the suite holds the
    // file in a way that excludes it. On Windows the open's sharing already
    // decided it: a handle with write access keeps every other program of
    // the suite out.
    bool Relock(FileLock lock);

    // Writes from now on go to the device without passing through the
    // system's cache, which is faster for long overwrites and leaves no
    // cached copy of what was there. Buffers and lengths must then be
    // multiples of 4096 bytes; a write the device refuses in that form is
    // retried through the cache, and writing stays so. False when the file
    // cannot do it (tmpfs; Windows, where it is chosen at opening).
    bool BypassCache();

    // Makes the reads that follow come from the disk rather than the
    // system's cache, for checking what was written: the writes are forced
    // to the disk and the file's cached pages dropped, and reads then bypass
    // the cache where the file allows it (Linux: O_DIRECT; Windows: a second,
    // unbuffered handle). Reads past the cache want a buffer, an offset and
    // a length in whole 4096-byte units; where the file refuses those, they
    // go through the cache, which was emptied. False when the writes could
    // not be forced to the disk.
    bool StartReadBack();
    // Reads up to `count` bytes at `offset` (fewer at the end of the file);
    // -1 on an error. Read and Write then start where they stood before on
    // Linux; on Windows, where the file's own handle read, after what it read.
    std::int64_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count);

    FileError lastError() const { return lastError_; }

private:
    // Linux: Open relative to a folder's descriptor (or the current folder).
    static File OpenAt(std::intptr_t folder, const std::string& path, const OpenOptions& options, FileError* error);

    std::intptr_t handle_ = -1;
    std::intptr_t readBack_ = -1;  // Windows: the unbuffered handle StartReadBack opened
    FileError lastError_ = FileError::None;
};

// Deletes the name `path` only while it still leads to the file of
// `identity` (taken while that file was open, before any rename), never a
// file put in its place meanwhile. On Windows the name is opened, compared
// and deleted through that handle in one go; on Linux, which deletes by name
// only, it is compared right before it is removed, in the same open folder.
bool DeleteFileIfSame(const std::string& path, const FileIdentity& identity);

// The system's own words for the last file operation of this layer that
// failed on the calling thread ("File name too long", "Disk full", ...).
std::string LastFailureText();

}  // namespace pelorin::platform
