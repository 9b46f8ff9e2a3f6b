#include "platform/Ownership.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelorin::platform {
namespace {

constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;

bool OwnedByUserOrRoot(const struct stat& info) {
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

}  // namespace

bool EnsurePrivateToUser(const Folder& folder) {
    const int fd = static_cast<int>(folder.handle());
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode) || !OwnedByUserOrRoot(info)) return false;
    if ((info.st_mode & kOthersWrite) == 0) return true;
    return info.st_uid == ::geteuid() && ::fchmod(fd, info.st_mode & 07777 & ~kOthersWrite) == 0;
}

bool IsPrivateToUser(const Folder& folder, const std::string& name) {
    struct stat info {};
    return ::fstatat(static_cast<int>(folder.handle()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(info.st_mode) && OwnedByUserOrRoot(info) && (info.st_mode & kOthersWrite) == 0;
}

}  // namespace pelorin::platform
