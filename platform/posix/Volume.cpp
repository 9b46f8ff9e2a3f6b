#include "platform/Volume.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <stdio.h>

#include <cstdio>
#include <cstdlib>

#include <cerrno>
#include <cstring>

#include "platform/posix/Failure.h"
#include "platform/posix/HomeFolder.h"
#include <ctime>

namespace pelorin::platform {

std::optional<VolumeGeometry> QueryVolume(const std::string& path) {
    // A name that does not exist yet is answered by the nearest folder above
    // it, as a Windows drive root answers for every name on the drive.
    struct statvfs info {};
    std::string probe = path;
    while (::statvfs(probe.c_str(), &info) != 0) {
        if ((errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG) || probe.size() <= 1) return std::nullopt;
        const std::size_t cut = probe.find_last_of('/', probe.size() - 2);
        if (cut == std::string::npos) return std::nullopt;
        probe = probe.substr(0, cut + 1);
    }
    if (info.f_frsize == 0) return std::nullopt;
    VolumeGeometry geometry;
    // The fundamental block size is the allocation unit; a file's slack ends
    // at a multiple of it.
    geometry.clusterSize = info.f_frsize;
    // Root may use the reserved blocks too; others only what is available.
    geometry.freeClusters = ::geteuid() == 0 ? info.f_bfree : info.f_bavail;
    geometry.totalClusters = info.f_blocks;
    geometry.freeFileRecords = ::geteuid() == 0 ? info.f_ffree : info.f_favail;
    return geometry;
}

DriveType QueryDriveType(const std::string& root) {
    struct stat info {};
    if (::stat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return DriveType::NoRootDirectory;
    return DriveType::Fixed;
}

bool CanEnterDrive(const std::string& root) {
    struct stat info {};
    return ::stat(root.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(root.c_str(), X_OK) == 0;
}

bool IsVolumeRoot(const std::string& path) {
    struct stat self {}, parent {};
    if (::stat(path.c_str(), &self) != 0 || !S_ISDIR(self.st_mode)) return false;
    std::string up = path;
    while (up.size() > 1 && up.back() == '/') up.pop_back();
    up += "/..";
    if (::stat(up.c_str(), &parent) != 0) return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

bool HoldsRunningSystem(const std::string& root) {
    struct stat volume {}, system {};
    return ::stat(root.c_str(), &volume) == 0 && ::stat("/", &system) == 0 && volume.st_dev == system.st_dev;
}

std::optional<std::string> CreateTempFile(const std::string& folder, const std::string& prefix) {
    // Names like GetTempFileNameA's: prefix, up to four hex digits, ".tmp".
    // The start comes from the clock; O_EXCL makes the claim atomic.
    unsigned start = static_cast<unsigned>(::time(nullptr)) & 0xFFFF;
    for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
        const unsigned number = ((start + attempt) & 0xFFFF) == 0 ? 1 : (start + attempt) & 0xFFFF;
        char name[32];
        std::snprintf(name, sizeof name, "%x.tmp", number);
        const std::string path = folder + prefix + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

std::string WhyNoNewFileIn(const std::string& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0) return std::strerror(errno);
    if (info.f_flag & ST_RDONLY) return std::strerror(EROFS);
    // A file system that counts no inodes at all makes them as it goes.
    if (info.f_files > 0 && info.f_favail == 0) return std::string(std::strerror(ENOSPC)) + ": no free inodes";
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return std::strerror(errno);
    return "";
}

std::string UserStateFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        return std::string(state) + "/";
    }
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.local/state/";
}

bool DeleteFileNamed(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool CanRemove(const std::string& path) {
    const std::size_t cut = path.find_last_of('/');
    const std::string folder = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return false;
    struct stat folderInfo {}, fileInfo {};
    if (::stat(folder.c_str(), &folderInfo) != 0 || ::lstat(path.c_str(), &fileInfo) != 0) return false;
    // In a sticky folder (such as /tmp) only the owners may remove a name.
    const uid_t user = ::geteuid();
    return !(folderInfo.st_mode & S_ISVTX) || user == 0 || user == folderInfo.st_uid || user == fileInfo.st_uid;
}

bool RenameFile(const std::string& from, const std::string& to) {
    // Plain rename would replace an existing file; the system checks and
    // renames in one step.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) {
        RememberErrno(errno);
        return false;
    }
    // File systems without that form: a second name that cannot replace
    // anything, then the first name goes.
    if (::link(from.c_str(), to.c_str()) != 0) {
        RememberErrno(errno);
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

void MatchPermissions(const std::string& path, const std::string& like) {
    struct stat model {};
    if (::lstat(like.c_str(), &model) == 0 && S_ISREG(model.st_mode)) {
        if (::geteuid() == 0) {
            if (::lchown(path.c_str(), model.st_uid, model.st_gid) != 0) RememberErrno(errno);
        }
        ::chmod(path.c_str(), model.st_mode & 07777);
        return;
    }
    // What a new file gets: read and write for all, less the user's mask
    // (read once: taking it means setting it, twice per file otherwise).
    static const mode_t mask = [] {
        const mode_t taken = ::umask(0);
        ::umask(taken);
        return taken;
    }();
    ::chmod(path.c_str(), 0666 & ~mask);
}

bool MoveOver(const std::string& from, const std::string& to, bool carryPermissions) {
    if (carryPermissions) MatchPermissions(from, to);
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    RememberErrno(errno);
    return false;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string VolumeRootOf(const std::string& fullyQualifiedName) { return fullyQualifiedName; }

bool IsFullyQualified(const std::string& name) { return !name.empty() && name[0] == '/'; }

bool IsDriveRootForm(const std::string& root) { return !root.empty() && root.front() == '/' && root.back() == '/'; }

}  // namespace pelorin::platform
