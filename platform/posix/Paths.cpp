#include "platform/Paths.h"

#include <sys/stat.h>

namespace pelorin::platform {

bool CreateFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace pelorin::platform

namespace pelorin::platform {

bool IsLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace pelorin::platform

#include <dirent.h>

namespace pelorin::platform {

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

}  // namespace pelorin::platform

#include <unistd.h>

namespace pelorin::platform {

std::optional<std::string> StoredName(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t cut = trimmed.find_last_of('/');
    return cut == std::string::npos ? trimmed : trimmed.substr(cut + 1);
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool RemoveFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

}  // namespace pelorin::platform

namespace pelorin::platform {

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return a == b;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace pelorin::platform
