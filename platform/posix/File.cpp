#include "platform/File.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace pelorin::platform {
namespace {

FileError FromErrno(int number) {
    switch (number) {
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS: return FileError::AccessDenied;
        case EEXIST: return FileError::Exists;
        case EINVAL: return FileError::InvalidArgument;
        case EMFILE:
        case ENFILE: return FileError::TooManyOpen;
        case ENOENT:
        case ENOTDIR: return FileError::NotFound;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return FileError::NoSpace;
        case ELOOP: return FileError::IsLink;
        default: return FileError::Other;
    }
}

inline int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), lastError_(other.lastError_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, -1);
        lastError_ = other.lastError_;
    }
    return *this;
}

File File::Open(const std::string& path, const OpenOptions& options, FileError* error) {
    int flags = O_CLOEXEC;
    if (options.read && options.write) {
        flags |= O_RDWR;
    } else if (options.write) {
        flags |= O_WRONLY;
    } else {
        flags |= O_RDONLY;
    }
    if (options.create) flags |= O_CREAT;
    if (options.truncate) flags |= O_TRUNC;
    if (options.exclusive) flags |= O_EXCL;
    if (options.noFollow) flags |= O_NOFOLLOW;
    File file;
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (error) *error = FromErrno(errno);
        return file;
    }
    // Reading a folder as a file fails late on Linux; refuse it here as the
    // Windows calls do.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        if (error) *error = FileError::AccessDenied;
        return file;
    }
    if (options.sequential) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    file.handle_ = fd;
    if (error) *error = FileError::None;
    return file;
}

bool File::IsOpen() const { return handle_ >= 0; }

std::int64_t File::Read(void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(Fd(handle_), out + done, count - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            lastError_ = FromErrno(errno);
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t File::Write(const void* buffer, std::size_t count) {
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(Fd(handle_), in + done, count - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            lastError_ = FromErrno(errno);
            break;
        }
        if (put == 0) {
            lastError_ = FileError::NoSpace;
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t File::Seek(std::int64_t offset, SeekFrom from) {
    const int whence = from == SeekFrom::Start ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    const off_t result = ::lseek(Fd(handle_), static_cast<off_t>(offset), whence);
    if (result < 0) {
        lastError_ = FromErrno(errno);
        return -1;
    }
    return static_cast<std::int64_t>(result);
}

std::int64_t File::Position() { return Seek(0, SeekFrom::Current); }

std::int64_t File::Length() {
    struct stat info {};
    if (::fstat(Fd(handle_), &info) != 0) {
        lastError_ = FromErrno(errno);
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

bool File::AtEnd() {
    const std::int64_t position = Position();
    const std::int64_t length = Length();
    return position < 0 || length < 0 || position >= length;
}

bool File::SetLength(std::int64_t length) {
    if (::ftruncate(Fd(handle_), static_cast<off_t>(length)) != 0) {
        lastError_ = FromErrno(errno);
        return false;
    }
    return true;
}

bool File::Flush() {
    if (::fsync(Fd(handle_)) != 0) {
        lastError_ = FromErrno(errno);
        return false;
    }
    return true;
}

void File::Close() {
    if (handle_ >= 0) {
        ::close(Fd(handle_));
        handle_ = -1;
    }
}

}  // namespace pelorin::platform
