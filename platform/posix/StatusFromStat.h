#pragma once

#include <sys/stat.h>

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
    return status;
}

}  // namespace pelorin::platform
