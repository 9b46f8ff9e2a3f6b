#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pelorin::platform {

// Why an open or a transfer failed, in the C run-time's terms that the
// programs' messages use (EACCES, EEXIST, EINVAL, EMFILE, ENOENT), plus a
// full volume and everything else.
enum class FileError {
    None,
    AccessDenied,     // EACCES: a folder, a read-only file, no permission
    Exists,           // EEXIST
    InvalidArgument,  // EINVAL
    TooManyOpen,      // EMFILE
    NotFound,         // ENOENT: the file or a folder on its path is missing
    NoSpace,          // the volume is full
    IsLink,           // the name is a symbolic link or other reparse point
    Other,
};

struct OpenOptions {
    bool read = false;
    bool write = false;
    bool create = false;     // create the file when it does not exist
    bool truncate = false;   // cut an existing file to zero length
    bool exclusive = false;  // fail with Exists when the file exists
    bool sequential = false; // hint: read or written front to back
    bool noFollow = false;   // fail with IsLink when the name is a link
};

enum class SeekFrom { Start, Current, End };

// A file opened by handle for binary I/O with 64-bit positions. Other
// processes may read and write it meanwhile (the archives are opened with
// sharing allowed). Closed by the destructor.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // On failure the result is not open and `error` (if given) says why.
    static File Open(const std::string& path, const OpenOptions& options, FileError* error = nullptr);

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
    bool Flush();
    void Close();

    FileError lastError() const { return lastError_; }

private:
    std::intptr_t handle_ = -1;
    FileError lastError_ = FileError::None;
};

}  // namespace pelorin::platform
