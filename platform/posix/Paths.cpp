#include "platform/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/Folder.h"
#include "platform/posix/Failure.h"
#include "platform/posix/StatusFromStat.h"

namespace pelorin::platform {

std::optional<std::string> NameAsUtf8(const std::string& name) { return name; }
std::optional<std::string> NameFromUtf8(const std::string& utf8) { return utf8; }

bool CreateFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<FileStatus> StatusOf(const std::string& path) {
    FileStatus status;
    if (!StatusAt(AT_FDCWD, path.c_str(), status)) return std::nullopt;
    return status;
}

bool IsLink(const std::string& path) {
    const auto status = StatusOf(path);
    return status && status->kind == FileKind::Link;
}

FolderListing ListFolder(const std::string& folder) {
    const auto opened = Folder::Open(folder, true);
    if (!opened) {
        FolderListing unreadable;
        unreadable.readable = false;
        return unreadable;
    }
    return opened->List();
}

std::optional<std::string> StoredName(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t cut = trimmed.find_last_of('/');
    return cut == std::string::npos ? trimmed : trimmed.substr(cut + 1);
}

std::optional<std::string> ShortFormOf(const std::string&) { return std::nullopt; }

std::size_t NameLengthOnDisk(const std::string& name) { return name.size(); }

namespace {

// ".." is the parent of what the name before it leads to (through links),
// and "." after a file is an error, so the names up to the last such
// component are resolved by the system rather than as text.
std::filesystem::path ResolvedDots(const std::filesystem::path& absolute) {
    std::filesystem::path upToDots, rest;
    bool dotSeen = false;
    for (auto part = absolute.end(); part != absolute.begin();) {
        --part;
        if (!dotSeen && *part != "." && *part != "..") {
            rest = rest.empty() ? *part : *part / rest;
        } else {
            dotSeen = true;
            upToDots = upToDots.empty() ? *part : *part / upToDots;
        }
    }
    if (!dotSeen) return absolute.lexically_normal();
    std::error_code error;
    const auto resolved = std::filesystem::canonical(upToDots, error);
    // Nothing there: left as typed, so that using it fails as the system would.
    if (error) return absolute;
    return (resolved / rest).lexically_normal();
}

}  // namespace

std::string AbsolutePath(const std::string& name) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(name, error);
    return error ? name : ResolvedDots(absolute).string();
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    const auto status = StatusOf(path);
    if (!status) return std::nullopt;
    return status->size;
}

bool FlushFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = ::fsync(fd) == 0;
    ::close(fd);
    return flushed;
}

bool RemoveFolder(const std::string& path) {
    if (::rmdir(path.c_str()) == 0) return true;
    RememberErrno(errno);
    return false;
}

bool RemoveLink(const std::string& path) { return IsLink(path) && ::unlink(path.c_str()) == 0; }

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return a == b;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace pelorin::platform
