#include "platform/File.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/falloc.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/Folder.h"
#include "platform/posix/BirthOf.h"
#include "platform/posix/Failure.h"
#include "platform/posix/StatusFromStat.h"

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

thread_local std::string lastFailure;

// Remembers the system's words for a failure and returns its kind.
FileError Fail(int number) {
    lastFailure = std::strerror(number);
    return FromErrno(number);
}

FileError FailWith(FileError kind, const char* text) {
    lastFailure = text;
    return kind;
}

// An open-file-description lock over the whole file: it belongs to this
// handle, not to the process, so two handles of one process exclude each
// other too. Taken without waiting.
bool TakeLock(int fd, FileLock lock) {
    if (lock == FileLock::None) return true;
    struct flock region {};
    region.l_type = lock == FileLock::Exclusive ? F_WRLCK : F_RDLCK;
    region.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &region) == 0;
}

}  // namespace

std::string LastFailureText() { return lastFailure; }

bool DeleteFileIfSame(const std::string& path, const FileIdentity& identity) {
    // The folder is held while the name is compared and removed, so that
    // both look at the same folder even if one on its path is swapped.
    const std::size_t cut = path.find_last_of('/');
    const std::string folderPath = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    const int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        Fail(errno);
        return false;
    }
    struct stat named {};
    bool deleted = false;
    if (::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
        Fail(errno);
    } else if (!(StatusFromStat(named).identity == identity)) {
        FailWith(FileError::Other, "The name now leads to another file");
    } else if (::unlinkat(folder, name.c_str(), 0) != 0) {
        Fail(errno);
    } else {
        deleted = true;
    }
    ::close(folder);
    return deleted;
}

void RememberErrno(int number) { lastFailure = std::strerror(number); }

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
    return OpenAt(AT_FDCWD, path, options, error);
}

File File::OpenIn(const Folder& folder, const std::string& name, const OpenOptions& options, FileError* error) {
    return OpenAt(Fd(folder.handle()), name, options, error);
}

File File::OpenAt(std::intptr_t folderHandle, const std::string& path, const OpenOptions& options, FileError* error) {
    const int folder = static_cast<int>(folderHandle);
    // A name created here and now (O_CREAT | O_EXCL fails on anything that
    // exists, links included) is a new regular file: nothing to look at
    // first, and nothing that could block.
    const bool fresh = options.create && options.exclusive;
    // Otherwise never blocks: a FIFO without a writer or a device that waits
    // would hang the job; such names are refused below anyway.
    int flags = O_CLOEXEC | O_NOCTTY | (fresh ? 0 : O_NONBLOCK);
    if (options.read && options.write) {
        flags |= O_RDWR;
    } else if (options.write) {
        flags |= O_WRONLY;
    } else {
        flags |= O_RDONLY;
    }
    if (options.create) flags |= O_CREAT;
    if (options.exclusive) flags |= O_EXCL;
    if (options.noFollow) flags |= O_NOFOLLOW;
    File file;
    const auto refuse = [&](FileError kind) {
        if (error) *error = kind;
        return File();
    };
    // A device is not even opened: opening some has effects of its own.
    struct stat named {};
    const int looked = fresh ? -1 : ::fstatat(folder, path.c_str(), &named, options.noFollow ? AT_SYMLINK_NOFOLLOW : 0);
    if (looked == 0 && !S_ISREG(named.st_mode) && !S_ISDIR(named.st_mode) && !S_ISLNK(named.st_mode)) {
        return refuse(FailWith(FileError::NotRegular, "Not a regular file (a device, pipe or socket)"));
    }
    // The truncation waits until the name is known to be a regular file and
    // the lock is held, so that nothing else is cut short.
    int fd;
    do {
        fd = ::openat(folder, path.c_str(), flags, options.privateFile ? 0600 : 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int number = errno;
        if (number == ENXIO) return refuse(FailWith(FileError::NotRegular, "Not a regular file"));
        const FileError kind = Fail(number);
        // Without O_NOFOLLOW the loop is in the path, not the name a link.
        return refuse(number == ELOOP && !options.noFollow ? FileError::Other : kind);
    }
    file.handle_ = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0) return refuse(Fail(errno));
    // Reading a folder as a file fails late on Linux; refuse it here as the
    // Windows calls do.
    if (S_ISDIR(info.st_mode)) return refuse(FailWith(FileError::AccessDenied, std::strerror(EISDIR)));
    if (!S_ISREG(info.st_mode)) {
        return refuse(FailWith(FileError::NotRegular, "Not a regular file (a device, pipe or socket)"));
    }
    bool locked = TakeLock(fd, options.lock);
    // A file just created is nobody's yet; a reader that opened it meanwhile
    // finds it empty and lets go at once.
    for (int wait = 0; !locked && options.exclusive && wait < 100; ++wait) {
        ::usleep(10000);
        locked = TakeLock(fd, options.lock);
    }
    if (!locked) {
        if (options.exclusive) ::unlinkat(folder, path.c_str(), 0);
        return refuse(FailWith(FileError::InUse, "The file is in use by another program of the suite"));
    }
    if (options.truncate && ::ftruncate(fd, 0) != 0) return refuse(Fail(errno));
    if (!fresh) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (options.sequential) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
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
            lastError_ = Fail(errno);
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
            // A write the device takes only through the cache (its size or
            // place does not suit it): through the cache from now on.
            if (errno == EINVAL && (::fcntl(Fd(handle_), F_GETFL) & O_DIRECT) != 0) {
                ::fcntl(Fd(handle_), F_SETFL, ::fcntl(Fd(handle_), F_GETFL) & ~O_DIRECT);
                continue;
            }
            lastError_ = Fail(errno);
            break;
        }
        if (put == 0) {
            lastError_ = FailWith(FileError::NoSpace, std::strerror(ENOSPC));
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    return static_cast<std::int64_t>(done);
}

bool File::BypassCache() {
    const int flags = ::fcntl(Fd(handle_), F_GETFL);
    return flags >= 0 && ::fcntl(Fd(handle_), F_SETFL, flags | O_DIRECT) == 0;
}

bool File::StartReadBack() {
    const int fd = Fd(handle_);
    if (::fdatasync(fd) != 0) {
        lastError_ = Fail(errno);
        return false;
    }
    // Clean pages are dropped, so that even a read through the cache comes
    // from the disk; O_DIRECT then passes the cache by altogether.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_DIRECT);
    return true;
}

std::int64_t File::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(Fd(handle_), out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            // A read the device takes only through the cache: through the
            // (emptied) cache from now on.
            if (errno == EINVAL && (::fcntl(Fd(handle_), F_GETFL) & O_DIRECT) != 0) {
                ::fcntl(Fd(handle_), F_SETFL, ::fcntl(Fd(handle_), F_GETFL) & ~O_DIRECT);
                continue;
            }
            lastError_ = Fail(errno);
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t File::Seek(std::int64_t offset, SeekFrom from) {
    const int whence = from == SeekFrom::Start ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    const off_t result = ::lseek(Fd(handle_), static_cast<off_t>(offset), whence);
    if (result < 0) {
        lastError_ = Fail(errno);
        return -1;
    }
    return static_cast<std::int64_t>(result);
}

std::int64_t File::Position() { return Seek(0, SeekFrom::Current); }

std::int64_t File::Length() {
    struct stat info {};
    if (::fstat(Fd(handle_), &info) != 0) {
        lastError_ = Fail(errno);
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
        lastError_ = Fail(errno);
        return false;
    }
    return true;
}

namespace {

// The extents the file system maps for the file (ext2 has no SEEK_DATA but
// maps its blocks), merged where they touch. Nothing when it cannot.
std::optional<std::vector<FileRange>> MappedRanges(int fd, std::uint64_t length) {
    constexpr unsigned kBatch = 64;
    std::vector<std::uint8_t> buffer(sizeof(struct fiemap) + kBatch * sizeof(struct fiemap_extent));
    auto* map = reinterpret_cast<struct fiemap*>(buffer.data());
    std::vector<FileRange> ranges;
    for (std::uint64_t start = 0; start < length;) {
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        map->fm_start = start;
        map->fm_length = length - start;
        map->fm_flags = FIEMAP_FLAG_SYNC;
        map->fm_extent_count = kBatch;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0) return std::nullopt;
        if (map->fm_mapped_extents == 0) break;
        bool last = false;
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
            const auto& extent = map->fm_extents[i];
            const std::uint64_t from = extent.fe_logical;
            const std::uint64_t to = std::min<std::uint64_t>(from + extent.fe_length, length);
            if (to > from) {
                if (!ranges.empty() && ranges.back().offset + ranges.back().length >= from) {
                    ranges.back().length = std::max(ranges.back().offset + ranges.back().length, to) - ranges.back().offset;
                } else {
                    ranges.push_back({from, to - from});
                }
            }
            start = std::max<std::uint64_t>(start, from + extent.fe_length);
            last = last || (extent.fe_flags & FIEMAP_EXTENT_LAST) != 0;
        }
        if (last) break;
    }
    return ranges;
}

}  // namespace

std::optional<std::vector<FileRange>> File::DataRanges() {
    const int fd = Fd(handle_);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        lastError_ = Fail(errno);
        return std::nullopt;
    }
    const auto length = static_cast<std::uint64_t>(info.st_size);
    std::vector<FileRange> ranges;
    for (off_t at = 0; static_cast<std::uint64_t>(at) < length;) {
        const off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) break;  // nothing but a hole from here
            if (errno != EINVAL) {
                lastError_ = Fail(errno);
                return std::nullopt;
            }
            ranges = {{0, length}};  // the file system cannot tell
            break;
        }
        off_t hole = ::lseek(fd, data, SEEK_HOLE);
        if (hole < 0 || static_cast<std::uint64_t>(hole) > length) hole = static_cast<off_t>(length);
        if (hole > data) ranges.push_back({static_cast<std::uint64_t>(data), static_cast<std::uint64_t>(hole - data)});
        at = hole;
    }
    ::lseek(fd, 0, SEEK_SET);
    // One stretch over the whole of a file that holds fewer blocks than its
    // length: the file system may not tell holes this way; its block map may.
    const bool whole = ranges.size() == 1 && ranges[0].offset == 0 && ranges[0].length == length;
    const auto held = static_cast<std::uint64_t>(info.st_blocks) * 512;
    if (whole && held + static_cast<std::uint64_t>(info.st_blksize) < length) {
        if (auto mapped = MappedRanges(fd, length); mapped && !(mapped->empty() && held > 0)) return mapped;
    }
    // No data at all in a file that holds blocks: the answer is not to be
    // trusted, and the whole file is taken.
    if (ranges.empty() && held > 0) return std::vector<FileRange>{{0, length}};
    return ranges;
}

bool File::Deallocate(FileRange range) {
    if (range.length == 0) return true;
    if (::fallocate(Fd(handle_), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(range.offset),
                    static_cast<off_t>(range.length)) == 0) {
        return true;
    }
    lastError_ = Fail(errno);
    return false;
}

bool File::Flush() {
    if (::fsync(Fd(handle_)) != 0) {
        lastError_ = Fail(errno);
        return false;
    }
    return true;
}

bool File::FlushVolume() {
    if (::syncfs(Fd(handle_)) != 0) {
        lastError_ = Fail(errno);
        return false;
    }
    return true;
}

std::int64_t File::AllocatedLength() {
    struct stat info {};
    if (::fstat(Fd(handle_), &info) != 0) {
        lastError_ = Fail(errno);
        return -1;
    }
    return static_cast<std::int64_t>(info.st_blocks) * 512;
}

UnixTime UnixTimeOf(std::int64_t modified) {
    constexpr std::int64_t kPerSecond = 1000000000;
    std::int64_t seconds = modified / kPerSecond;
    std::int64_t rest = modified % kPerSecond;
    if (rest < 0) {
        rest += kPerSecond;
        --seconds;
    }
    return {seconds, static_cast<std::uint32_t>(rest)};
}

std::optional<std::int64_t> ModifiedOf(const UnixTime& time) {
    constexpr std::int64_t kPerSecond = 1000000000;
    constexpr std::int64_t kLimit = INT64_MAX / kPerSecond - 1;
    if (time.seconds > kLimit || time.seconds < -kLimit || time.nanoseconds >= kPerSecond) return std::nullopt;
    return time.seconds * kPerSecond + time.nanoseconds;
}

bool File::SetModified(std::int64_t modified) {
    const UnixTime time = UnixTimeOf(modified);
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {static_cast<time_t>(time.seconds), static_cast<long>(time.nanoseconds)}};
    if (::futimens(Fd(handle_), times) == 0) return true;
    lastError_ = Fail(errno);
    return false;
}

bool File::ApplyAccess(const StoredAccess& access) {
    if (!access.modeBits) return true;
    if (::fchmod(Fd(handle_), static_cast<mode_t>(*access.modeBits & 07777u)) == 0) return true;
    lastError_ = Fail(errno);
    return false;
}

std::optional<FileStatus> File::Status() {
    struct stat info {};
    if (::fstat(Fd(handle_), &info) != 0) {
        lastError_ = Fail(errno);
        return std::nullopt;
    }
    return StatusFromStat(info);
}

std::optional<FileBirth> File::Birth() {
    auto birth = BirthOfDescriptor(Fd(handle_));
    if (!birth) lastError_ = Fail(errno);
    return birth;
}

File::Alone File::KeepOthersOut() {
    if (::fcntl(Fd(handle_), F_SETLEASE, F_WRLCK) == 0) {
        // The lease's break would be signalled to this process, and the
        // signal's default ends it: nobody is signalled instead. The other
        // program's open then waits until this handle is closed (at most the
        // system's lease-break time).
        ::fcntl(Fd(handle_), F_SETOWN, 0);
        return Alone::Yes;
    }
    // EAGAIN: another descriptor of the file is open somewhere. Anything
    // else (not the owner, a file system without leases): no answer.
    return errno == EAGAIN ? Alone::OthersHaveItOpen : Alone::CannotTell;
}

bool File::Relock(FileLock lock) {
    if (TakeLock(Fd(handle_), lock)) return true;
    lastError_ = FailWith(FileError::InUse, "The file is in use by another program of the suite");
    return false;
}

void File::Close() {
    if (handle_ >= 0) {
        ::close(Fd(handle_));
        handle_ = -1;
    }
}

}  // namespace pelorin::platform
