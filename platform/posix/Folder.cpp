#include "platform/Folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/posix/BirthOf.h"
#include "platform/posix/Failure.h"
#include "platform/posix/StatusFromStat.h"

namespace pelorin::platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

inline int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

bool Done(int result) {
    if (result == 0) return true;
    RememberErrno(errno);
    return false;
}

}  // namespace

std::optional<Folder> Folder::Open(const std::string& path, bool followLink) {
    // A trailing '/' would have the system follow a link after all.
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const int fd = ::open(trimmed.c_str(), followLink ? kFolderFlags & ~O_NOFOLLOW : kFolderFlags);
    if (fd < 0) {
        RememberErrno(errno);
        return std::nullopt;
    }
    return Folder(fd, trimmed);
}

std::optional<Folder> Folder::OpenChild(const std::string& name) const {
    const int fd = ::openat(Fd(handle_), name.c_str(), kFolderFlags);
    if (fd < 0) {
        RememberErrno(errno);
        return std::nullopt;
    }
    return Folder(fd, PathOf(name));
}

std::optional<Folder> Folder::OpenParent(const std::string& path) const {
    const int fd = ::openat(Fd(handle_), "..", kFolderFlags);
    if (fd < 0) {
        RememberErrno(errno);
        return std::nullopt;
    }
    return Folder(fd, path);
}

Folder::~Folder() {
    if (handle_ >= 0) ::close(Fd(handle_));
}

Folder::Folder(Folder&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        if (handle_ >= 0) ::close(Fd(handle_));
        handle_ = std::exchange(other.handle_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

std::optional<FileStatus> Folder::Status() const {
    FileStatus status;
    if (!StatusAt(Fd(handle_), "", status, AT_EMPTY_PATH)) return std::nullopt;
    return status;
}

std::optional<FileBirth> Folder::Birth() const {
    auto birth = BirthOfDescriptor(Fd(handle_));
    if (!birth) RememberErrno(errno);
    return birth;
}

FolderListing Folder::List() const {
    FolderListing listing;
    // The listing reads through a descriptor of its own, from the start.
    const int copy = ::openat(Fd(handle_), ".", kFolderFlags);
    DIR* dir = copy < 0 ? nullptr : ::fdopendir(copy);
    if (dir == nullptr) {
        RememberErrno(errno);
        if (copy >= 0) ::close(copy);
        listing.readable = false;
        return listing;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") listing.names.push_back(name);
    }
    ::closedir(dir);
    return listing;
}

std::optional<FileStatus> Folder::StatusOf(const std::string& name) const {
    FileStatus status;
    if (!StatusAt(Fd(handle_), name.c_str(), status)) return std::nullopt;
    return status;
}

bool Folder::CanRemove(const std::string& name) const {
    if (::faccessat(Fd(handle_), ".", W_OK | X_OK, AT_EACCESS) != 0) return false;
    struct stat folderInfo {}, entryInfo {};
    if (::fstat(Fd(handle_), &folderInfo) != 0 ||
        ::fstatat(Fd(handle_), name.c_str(), &entryInfo, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    // In a sticky folder (such as /tmp) only the owners may remove a name.
    const uid_t user = ::geteuid();
    return !(folderInfo.st_mode & S_ISVTX) || user == 0 || user == folderInfo.st_uid || user == entryInfo.st_uid;
}

bool Folder::Rename(const std::string& from, const std::string& to) const {
    if (::renameat2(Fd(handle_), from.c_str(), Fd(handle_), to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return Done(-1);
    // File systems without that form: a second name that cannot replace
    // anything, then the first name goes (files only).
    if (!Done(::linkat(Fd(handle_), from.c_str(), Fd(handle_), to.c_str(), 0))) return false;
    return Done(::unlinkat(Fd(handle_), from.c_str(), 0));
}

bool Folder::Delete(const std::string& name) const { return Done(::unlinkat(Fd(handle_), name.c_str(), 0)); }

bool Folder::RemoveFolder(const std::string& name) const {
    return Done(::unlinkat(Fd(handle_), name.c_str(), AT_REMOVEDIR));
}

bool Folder::RemoveLink(const std::string& name) const {
    const auto status = StatusOf(name);
    return status && status->kind == FileKind::Link && Delete(name);
}

bool Folder::Flush() const { return ::fsync(Fd(handle_)) == 0; }

bool Folder::FlushVolume() const { return ::syncfs(Fd(handle_)) == 0; }

std::string Folder::PathOf(const std::string& name) const {
    return !path_.empty() && path_.back() == '/' ? path_ + name : path_ + '/' + name;
}

bool Folder::SetModified(std::int64_t modified) const {
    const UnixTime time = UnixTimeOf(modified);
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {static_cast<time_t>(time.seconds), static_cast<long>(time.nanoseconds)}};
    return Done(::futimens(Fd(handle_), times));
}

bool Folder::ApplyAccess(const StoredAccess& access) const {
    if (!access.modeBits) return true;
    return Done(::fchmod(Fd(handle_), static_cast<mode_t>(*access.modeBits & 07777u)));
}

}  // namespace pelorin::platform
