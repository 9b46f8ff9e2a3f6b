#include "platform/VolumeMedium.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace pelorin::platform {
namespace {

// File system types whose magic number alone tells the medium.
constexpr long kCifsMagic = static_cast<long>(0xFF534D42);
constexpr long kSmb2Magic = static_cast<long>(0xFE534D42);
constexpr long kCephMagic = 0x00C36400;
constexpr long kAfsMagic = 0x5346414F;
constexpr long kFuseMagic = 0x65735546;

// Network file systems that run as FUSE programs.
constexpr const char* kFuseNetworkTypes[] = {"fuse.sshfs", "fuse.s3fs", "fuse.rclone", "fuse.glusterfs", "fuse.davfs"};
constexpr const char* kNetworkTypes[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "ceph", "afs", "lustre", "gpfs"};
constexpr const char* kMemoryTypes[] = {"tmpfs", "ramfs", "devtmpfs", "hugetlbfs"};

// How far the chain from a volume to its disk is followed (partitions,
// device-mapper over RAID over loop, ...).
constexpr int kMostLevels = 8;

template <std::size_t N>
bool OneOf(const std::string& name, const char* const (&names)[N]) {
    for (const char* known : names) {
        if (name == known) return true;
    }
    return false;
}

// One line of /proc/self/mountinfo.
struct Mount {
    dev_t device = 0;
    std::string point;
    std::string type;
    std::string source;
    std::string options;  // the mount's and the file system's, comma-separated
};

// Mount points and sources escape spaces, tabs, newlines and backslashes
// as three octal digits.
std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string digits = text.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::strtol(digits.c_str(), nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::vector<Mount> ReadMounts() {
    std::vector<Mount> mounts;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string id, parent, numbers, root, point, mountOptions, word;
        if (!(words >> id >> parent >> numbers >> root >> point >> mountOptions)) continue;
        while (words >> word && word != "-") {}  // optional fields
        Mount mount;
        std::string superOptions;
        if (!(words >> mount.type >> mount.source)) continue;
        words >> superOptions;
        unsigned major = 0, minor = 0;
        if (std::sscanf(numbers.c_str(), "%u:%u", &major, &minor) != 2) continue;
        mount.device = makedev(major, minor);
        mount.point = Unescaped(point);
        mount.source = Unescaped(mount.source);
        mount.options = mountOptions + "," + superOptions;
        mounts.push_back(std::move(mount));
    }
    return mounts;
}

bool HasOption(const std::string& options, const std::string& wanted) {
    std::istringstream list(options);
    std::string option;
    while (std::getline(list, option, ',')) {
        if (option == wanted) return true;
    }
    return false;
}

std::string OptionValue(const std::string& options, const std::string& name) {
    std::istringstream list(options);
    std::string option;
    while (std::getline(list, option, ',')) {
        if (option.rfind(name + "=", 0) == 0) return option.substr(name.size() + 1);
    }
    return "";
}

// The mount of the volume `device` that holds `path` (its longest mount
// folder that is a prefix of the path; a bind mount elsewhere otherwise).
std::optional<Mount> MountOf(dev_t device, const std::string& path) {
    std::optional<Mount> best;
    for (auto& mount : ReadMounts()) {
        if (mount.device != device) continue;
        const std::string folder = mount.point == "/" ? "/" : mount.point + "/";
        const bool holds = path == mount.point || path.rfind(folder, 0) == 0;
        const bool better = !best || (holds && mount.point.size() >= best->point.size());
        if (better) best = std::move(mount);
    }
    return best;
}

std::optional<std::string> ReadLine(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

std::optional<std::uint64_t> ReadNumber(const std::string& file) {
    const auto line = ReadLine(file);
    if (!line || line->empty()) return std::nullopt;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(line->c_str(), &end, 10);
    if (end == line->c_str()) return std::nullopt;
    return value;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

std::string LastPart(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
std::string Parent(const std::string& path) { return path.substr(0, path.find_last_of('/')); }

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
    }
    return names;
}

struct Disk {
    Medium medium = Medium::Unknown;
    std::string device;
    std::string backingFile;
    std::optional<bool> discards;
};

// Follows a block device's sysfs folder down to the disk: a partition to
// its disk, a device-mapper or RAID device to what it is made of, a loop
// device to its file.
Disk Follow(std::string node, int level) {
    Disk disk;
    if (node.empty() || level > kMostLevels) return disk;
    if (Exists(node + "/partition")) node = Parent(node);
    const std::string name = LastPart(node);
    disk.device = name;
    if (const auto most = ReadNumber(node + "/queue/discard_max_bytes")) disk.discards = *most > 0;
    if (Exists(node + "/loop")) {
        disk.medium = Medium::Virtual;
        disk.backingFile = ReadLine(node + "/loop/backing_file").value_or("");
        return disk;
    }
    if (const auto parts = EntriesOf(node + "/slaves"); !parts.empty()) {
        // Made of other devices: their medium when they agree.
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const Disk part = Follow(RealPath(node + "/slaves/" + parts[i]), level + 1);
            if (i == 0) {
                disk.medium = part.medium;
                disk.device = part.device;
                disk.backingFile = part.backingFile;
            } else if (part.medium != disk.medium) {
                disk.medium = Medium::Unknown;
            }
        }
        return disk;
    }
    if (name.rfind("zram", 0) == 0 || name.rfind("ram", 0) == 0) {
        disk.medium = Medium::Memory;
    } else if (name.rfind("nbd", 0) == 0 || name.rfind("rbd", 0) == 0) {
        disk.medium = Medium::Network;
    } else if (node.find("/virtio") != std::string::npos || name.rfind("xvd", 0) == 0) {
        // A virtual machine's disk: what the host keeps behind it is the
        // host's (its "rotational" flag is the host's choice, not a fact).
        disk.medium = Medium::Virtual;
    } else if (const auto rotational = ReadNumber(node + "/queue/rotational")) {
        disk.medium = *rotational != 0 ? Medium::Rotational : Medium::SolidState;
    }
    return disk;
}

// The block device a mount lies on: the volume's own device number, or
// for file systems that give their volumes numbers of their own (btrfs),
// the device the mount names.
std::optional<dev_t> BlockDeviceOf(dev_t device, const std::optional<Mount>& mount) {
    if (major(device) != 0) return device;
    if (!mount || mount->source.rfind("/dev/", 0) != 0) return std::nullopt;
    struct stat info {};
    if (::stat(mount->source.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
    return info.st_rdev;
}

// The name itself when it exists, else the nearest folder above it.
std::string NearestExisting(std::string path) {
    while (!path.empty() && !Exists(path)) {
        const std::size_t cut = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
        if (cut == std::string::npos) return "";
        path = path.substr(0, cut == 0 ? 1 : cut);
    }
    return path;
}

}  // namespace

std::optional<VolumeFacts> ProbeVolume(const std::string& path) {
    const std::string existing = NearestExisting(path);
    struct stat info {};
    struct statfs system {};
    if (existing.empty() || ::stat(existing.c_str(), &info) != 0 || ::statfs(existing.c_str(), &system) != 0) {
        return std::nullopt;
    }
    VolumeFacts facts;
    const std::string canonical = RealPath(existing);
    const auto mount = MountOf(info.st_dev, canonical.empty() ? existing : canonical);
    if (mount) {
        facts.fileSystem = mount->type;
        facts.mountPoint = mount->point == "/" ? "/" : mount->point + "/";
        facts.mountDiscards = HasOption(mount->options, "discard");
        if (facts.fileSystem == "ext3" || facts.fileSystem == "ext4") {
            const std::string mode = OptionValue(mount->options, "data");
            facts.dataMode = mode.empty() ? "ordered" : mode;
        }
    }
    const auto type = static_cast<long>(system.f_type);
    if (type == TMPFS_MAGIC || type == RAMFS_MAGIC || OneOf(facts.fileSystem, kMemoryTypes)) {
        facts.medium = Medium::Memory;
        if (facts.fileSystem.empty()) facts.fileSystem = type == TMPFS_MAGIC ? "tmpfs" : "ramfs";
        return facts;
    }
    if (type == NFS_SUPER_MAGIC || type == SMB_SUPER_MAGIC || type == kCifsMagic || type == kSmb2Magic ||
        type == kCephMagic || type == V9FS_MAGIC || type == kAfsMagic || OneOf(facts.fileSystem, kNetworkTypes) ||
        OneOf(facts.fileSystem, kFuseNetworkTypes)) {
        facts.medium = Medium::Network;
        return facts;
    }
    if (type == kFuseMagic && facts.fileSystem.empty()) facts.fileSystem = "fuse";
    if (const auto device = BlockDeviceOf(info.st_dev, mount)) {
        const Disk disk = Follow(RealPath("/sys/dev/block/" + std::to_string(major(*device)) + ":" +
                                          std::to_string(minor(*device))),
                                 0);
        facts.medium = disk.medium;
        facts.device = disk.device;
        facts.backingFile = disk.backingFile;
        facts.discards = disk.discards;
    }
    return facts;
}

TrimOutcome TrimFreeSpace(const std::string& root) {
    TrimOutcome outcome;
    const int folder = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return {TrimResult::Failed, std::strerror(errno), 0};
    // Blocks a deletion freed are free for trimming only once the file system
    // has committed the deletion (ext4 trims nothing of a running transaction).
    ::syncfs(folder);
    struct fstrim_range range {};
    range.start = 0;
    range.len = ULLONG_MAX;
    range.minlen = 0;
    int result;
    do {
        result = ::ioctl(folder, FITRIM, &range);
    } while (result != 0 && errno == EINTR);
    const int number = errno;
    ::close(folder);
    if (result == 0) return {TrimResult::Done, "", range.len};
    switch (number) {
        case EPERM:
        case EACCES: return {TrimResult::NotPermitted, "only the administrator may trim a volume", 0};
        case EOPNOTSUPP:
        case ENOTTY: return {TrimResult::Unsupported, "the disk or its file system takes no TRIM", 0};
        default: return {TrimResult::Failed, std::strerror(number), 0};
    }
}

}  // namespace pelorin::platform
