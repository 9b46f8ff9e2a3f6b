#include "wipe/VolumeVerdict.h"

#include <algorithm>
#include <cctype>

#include "platform/FileStatus.h"
#include "platform/Paths.h"

namespace pelorin::wipe {
namespace {

using platform::Medium;
using platform::TrimOutcome;
using platform::TrimResult;

struct KnownFileSystem {
    const char* name;  // as Linux's mount table or Windows' volume information names it, in lower case
    FileSystemKind kind;
};

constexpr KnownFileSystem kFileSystems[] = {
    {"ext2", FileSystemKind::InPlace},        {"ext3", FileSystemKind::InPlace},
    {"ext4", FileSystemKind::InPlace},        {"xfs", FileSystemKind::InPlace},
    {"jfs", FileSystemKind::InPlace},         {"reiserfs", FileSystemKind::InPlace},
    {"vfat", FileSystemKind::InPlace},        {"msdos", FileSystemKind::InPlace},
    {"fat", FileSystemKind::InPlace},         {"fat32", FileSystemKind::InPlace},
    {"exfat", FileSystemKind::InPlace},       {"ntfs", FileSystemKind::InPlace},
    {"ntfs3", FileSystemKind::InPlace},       {"hfsplus", FileSystemKind::InPlace},
    {"udf", FileSystemKind::InPlace},         {"minix", FileSystemKind::InPlace},
    {"btrfs", FileSystemKind::CopyOnWrite},   {"zfs", FileSystemKind::CopyOnWrite},
    {"bcachefs", FileSystemKind::CopyOnWrite}, {"refs", FileSystemKind::CopyOnWrite},
    {"overlay", FileSystemKind::CopyOnWrite}, {"f2fs", FileSystemKind::LogStructured},
    {"nilfs2", FileSystemKind::LogStructured}, {"jffs2", FileSystemKind::LogStructured},
    {"ubifs", FileSystemKind::LogStructured}, {"tmpfs", FileSystemKind::Memory},
    {"ramfs", FileSystemKind::Memory},        {"devtmpfs", FileSystemKind::Memory},
    {"fuse", FileSystemKind::Fuse},           {"fuseblk", FileSystemKind::Fuse},
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "ext4", or "a file system" where it has no name.
std::string Named(const platform::VolumeFacts& facts) {
    return facts.fileSystem.empty() ? "an unnamed file system" : facts.fileSystem;
}

// What overwriting reaches on an in-place file system, by medium.
std::string InPlaceOn(const platform::VolumeFacts& facts) {
    switch (facts.medium) {
        case Medium::Rotational: return "overwritten in place on a spinning disk";
        case Medium::SolidState:
            return "overwritten; a solid-state drive may keep old copies in cells the computer cannot reach";
        case Medium::Memory: return "overwritten in place on a RAM disk: nothing of it was ever on a disk";
        case Medium::Network: return "overwritten in place on a network disk: the server decides where the bytes land";
        case Medium::Virtual:
            if (!facts.backingFile.empty()) {
                return "overwritten in place on a disk image file (a loop device): the file system that holds the "
                       "image decides whether old copies stay";
            }
            return "overwritten in place on a virtual disk: the host behind it decides whether old copies stay";
        case Medium::Unknown: break;
    }
    return "overwritten in place; what kind of disk holds it could not be told";
}

// The first part of the sentence: what the file system does with an
// overwrite, on what.
std::string Reach(const VolumeVerdict& verdict) {
    const platform::VolumeFacts& facts = verdict.facts;
    const std::string name = Named(facts);
    switch (verdict.kind) {
        case FileSystemKind::InPlace: return InPlaceOn(facts);
        case FileSystemKind::DataJournalling:
            return name + " journals data (data=journal): overwritten in place, but the journal may still hold "
                          "copies of the old contents";
        case FileSystemKind::CopyOnWrite:
            return "copy-on-write file system (" + name + "): overwriting does not reach the old blocks";
        case FileSystemKind::LogStructured:
            return "log-structured file system (" + name + "): overwriting does not reach the old blocks";
        case FileSystemKind::Memory:
            return name + ": nothing of it was ever on a disk, unless the system moved it to its swap space";
        case FileSystemKind::Network:
            return "network file system (" + name + "): overwritten on the server, whose disks this computer cannot "
                                                    "see";
        case FileSystemKind::Fuse:
            return "FUSE file system (" + name + "): the program behind it decides where the bytes land";
        case FileSystemKind::Unknown: break;
    }
    if (!verdict.known) return "the volume could not be queried: what overwriting reached cannot be told";
    return "unknown file system (" + name + "): whether overwriting reaches the old blocks cannot be told";
}

std::string TrimClause(const TrimOutcome& trim) {
    const std::string why = trim.reason.empty() ? "" : " (" + trim.reason + ")";
    switch (trim.result) {
        case TrimResult::Done: return "free space was trimmed";
        case TrimResult::NotPermitted:
        case TrimResult::Unsupported: return "free space was not trimmed, since " + trim.reason;
        case TrimResult::Failed: return "trimming the free space failed" + why;
        case TrimResult::NotApplicable: break;
    }
    return trim.reason;  // a wipe that did not finish says so; otherwise nothing to say
}

// Where the name is: its own number of the volume, found from the nearest
// name above it that exists.
std::optional<std::uint64_t> NearestVolume(std::string path) {
    for (int level = 0; level < 64 && !path.empty(); ++level) {
        if (const auto status = platform::StatusOf(path)) return status->identity.volume;
        const std::size_t cut = path.find_last_of(platform::kHostSeparator, path.size() > 1 ? path.size() - 2 : 0);
        if (cut == std::string::npos) break;
        path = path.substr(0, cut + 1);
    }
    return std::nullopt;
}

class SystemProbe final : public VolumeProbe {
public:
    std::optional<std::uint64_t> VolumeOf(const std::string& path) override { return NearestVolume(path); }
    std::optional<platform::VolumeFacts> Facts(const std::string& path) override { return platform::ProbeVolume(path); }
    TrimOutcome Trim(const std::string& root) override { return platform::TrimFreeSpace(root); }
};

}  // namespace

FileSystemKind KindOf(const platform::VolumeFacts& facts) {
    const std::string name = Lower(facts.fileSystem);
    if ((name == "ext3" || name == "ext4") && facts.dataMode == "journal") return FileSystemKind::DataJournalling;
    // What the medium says first: a network or memory volume whatever its name.
    if (facts.medium == Medium::Network && name.rfind("fuse", 0) != 0) return FileSystemKind::Network;
    for (const auto& known : kFileSystems) {
        if (name == known.name) return known.kind;
    }
    if (facts.medium == Medium::Network) return FileSystemKind::Network;
    if (facts.medium == Medium::Memory && facts.device.empty()) return FileSystemKind::Memory;
    if (name.rfind("fuse.", 0) == 0) return FileSystemKind::Fuse;
    return FileSystemKind::Unknown;
}

const char* MediumName(Medium medium) {
    switch (medium) {
        case Medium::Rotational: return "rotational";
        case Medium::SolidState: return "solid-state";
        case Medium::Memory: return "memory";
        case Medium::Network: return "network";
        case Medium::Virtual: return "virtual";
        case Medium::Unknown: break;
    }
    return "unknown";
}

const char* TrimName(TrimResult result) {
    switch (result) {
        case TrimResult::Done: return "done";
        case TrimResult::Unsupported: return "unsupported";
        case TrimResult::NotPermitted: return "not-permitted";
        case TrimResult::Failed: return "failed";
        case TrimResult::NotApplicable: break;
    }
    return "not-applicable";
}

VolumeProbe& SystemVolumeProbe() {
    static SystemProbe probe;
    return probe;
}

TrimOutcome TrimAfterFill(VolumeProbe& probe, const platform::VolumeFacts& facts, const std::string& root) {
    const FileSystemKind kind = KindOf(facts);
    if (kind == FileSystemKind::Memory || facts.medium == Medium::Memory) return {TrimResult::NotApplicable, "", 0};
    if (kind == FileSystemKind::Network || facts.medium == Medium::Network) return {TrimResult::NotApplicable, "", 0};
    if (facts.discards == false) {
        // A spinning disk has nothing to trim; anything else could, but says it cannot.
        if (facts.medium == Medium::Rotational) return {TrimResult::NotApplicable, "", 0};
        return {TrimResult::Unsupported, "the disk takes no TRIM", 0};
    }
    return probe.Trim(root);
}

std::string VolumeVerdict::Sentence() const {
    std::string sentence = Reach(*this);
    // Below a file system that already misses the old blocks, flash may keep more.
    if (kind != FileSystemKind::InPlace && kind != FileSystemKind::Memory && facts.medium == Medium::SolidState) {
        sentence += "; the solid-state drive under it may keep old copies too";
    }
    if (const std::string clause = TrimClause(trim); !clause.empty()) {
        sentence += (kind == FileSystemKind::InPlace && facts.medium == Medium::SolidState ? ": " : "; ") + clause;
    } else if (facts.mountDiscards && !freeSpaceWiped) {
        sentence += "; the file system tells the disk at once which blocks a deletion freed";
    }
    if (filesNotReached > 0) {
        sentence += "; " + std::to_string(filesNotReached) +
                    (filesNotReached == 1 ? " file was" : " files were") +
                    " compressed, encrypted or sparse, and overwriting does not reach the old clusters of such files";
    }
    return sentence;
}

std::string StorageNote(const platform::FileStatus& status) {
    const char* what = status.compressed ? "compressed"
                       : status.encrypted ? "encrypted"
                       : status.sparse    ? "sparse"
                                          : nullptr;
    if (what == nullptr) return "";
    return std::string("is ") + what + " by the file system: overwriting it does not reach the clusters its old "
                                       "contents were written to";
}

VolumeVerdict& VolumeVerdicts::Of(const std::string& path, std::optional<std::uint64_t> volume) {
    if (!volume) volume = probe_->VolumeOf(path);
    if (volume) {
        if (const auto found = byVolume_.find(*volume); found != byVolume_.end()) return verdicts_[found->second];
    }
    const auto facts = probe_->Facts(path);
    VolumeVerdict verdict;
    verdict.known = facts.has_value();
    if (facts) verdict.facts = *facts;
    verdict.kind = KindOf(verdict.facts);
    verdict.path = facts && !facts->mountPoint.empty() ? facts->mountPoint : path;
    // Without a number the volume is known by its folder.
    if (!volume) {
        if (const auto found = byPath_.find(verdict.path); found != byPath_.end()) return verdicts_[found->second];
    }
    verdicts_.push_back(std::move(verdict));
    const std::size_t index = verdicts_.size() - 1;
    if (volume) byVolume_[*volume] = index;
    byPath_[verdicts_[index].path] = index;
    return verdicts_[index];
}

VolumeVerdict& VolumeVerdicts::TrimAfterFreeSpaceWipe(const std::string& path) {
    VolumeVerdict& verdict = Of(path);
    verdict.freeSpaceWiped = true;
    const std::string& root = verdict.facts.mountPoint.empty() ? path : verdict.facts.mountPoint;
    verdict.trim = TrimAfterFill(*probe_, verdict.facts, root);
    return verdict;
}

void VolumeVerdicts::FreeSpaceWipeUnfinished(const std::string& path, const std::string& why) {
    VolumeVerdict& verdict = Of(path);
    verdict.freeSpaceWiped = true;
    verdict.trim = {TrimResult::NotApplicable, why, 0};
}

}  // namespace pelorin::wipe
