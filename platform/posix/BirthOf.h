#pragma once

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <optional>

#include "platform/FileStatus.h"

namespace pelorin::platform {

// What tells an open file or folder from a later one that gets its inode
// number: its birth time and the generation the file system gave the inode.
// Nothing (errno set) when the descriptor cannot be looked at.
inline std::optional<FileBirth> BirthOfDescriptor(int fd) {
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &info) != 0) return std::nullopt;
    FileBirth birth;
    birth.identity = {static_cast<std::uint64_t>(makedev(info.stx_dev_major, info.stx_dev_minor)), info.stx_ino};
    if (info.stx_mask & STATX_BTIME) {
        birth.born = static_cast<std::int64_t>(info.stx_btime.tv_sec) * 1000000000 + info.stx_btime.tv_nsec;
    }
    if (int generation = 0; ::ioctl(fd, FS_IOC_GETVERSION, &generation) == 0) {
        birth.generation = static_cast<std::uint32_t>(generation);
    }
    return birth;
}

}  // namespace pelorin::platform
