#pragma once

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/FileStatus.h"

namespace pelorin::platform {

inline FileStatus StatusFromStat(const struct stat& info) {
    FileStatus status;
    if (S_ISREG(info.st_mode)) {
        status.kind = FileKind::Regular;
    } else if (S_ISDIR(info.st_mode)) {
        status.kind = FileKind::Folder;
    } else if (S_ISLNK(info.st_mode)) {
        status.kind = FileKind::Link;
    } else {
        status.kind = FileKind::Other;
    }
    status.identity = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    status.names = static_cast<std::uint32_t>(info.st_nlink);
    status.modeBits = static_cast<std::uint32_t>(info.st_mode) & 07777u;
    return status;
}

// The status of `name` in the folder `dirfd` (or AT_FDCWD), never following
// a link, with whether something is mounted there: a bind mount shares the
// device number of its surroundings, so only the kernel's mount-root mark
// tells it. An empty name with AT_EMPTY_PATH in `flags` is `dirfd` itself.
inline bool StatusAt(int dirfd, const char* name, FileStatus& status, int flags = 0) {
    struct statx info {};
    if (::statx(dirfd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | flags, STATX_BASIC_STATS, &info) != 0) {
        if (errno != ENOSYS) return false;
        // A system without statx: the plain status, which tells no bind mount.
        struct stat plain {};
        if (::fstatat(dirfd, name, &plain, AT_SYMLINK_NOFOLLOW | flags) != 0) return false;
        status = StatusFromStat(plain);
        return true;
    }
    struct stat plain {};
    plain.st_mode = info.stx_mode;
    plain.st_dev = makedev(info.stx_dev_major, info.stx_dev_minor);
    plain.st_ino = info.stx_ino;
    plain.st_size = static_cast<off_t>(info.stx_size);
    plain.st_mtim.tv_sec = info.stx_mtime.tv_sec;
    plain.st_mtim.tv_nsec = info.stx_mtime.tv_nsec;
    plain.st_nlink = info.stx_nlink;
    status = StatusFromStat(plain);
    status.mountPoint = (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
                        (info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    const auto flag = [&info](std::uint64_t attribute) {
        return (info.stx_attributes_mask & attribute) != 0 && (info.stx_attributes & attribute) != 0;
    };
    status.appendOnly = flag(STATX_ATTR_APPEND);
    status.immutable = flag(STATX_ATTR_IMMUTABLE);
    status.compressed = flag(STATX_ATTR_COMPRESSED);
    return true;
}

}  // namespace pelorin::platform
