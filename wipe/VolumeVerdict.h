#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileStatus.h"
#include "platform/VolumeMedium.h"

// What overwriting reached on a volume: its file system and medium, told in
// one plain sentence, with the outcome of the TRIM after a free-space wipe.
namespace pelorin::wipe {

// How a file system treats an overwrite.
enum class FileSystemKind {
    InPlace,          // writes land where the data was (ext2, ext4 journalling metadata only, XFS, FAT, NTFS)
    DataJournalling,  // data passes through a journal first (ext3/ext4 with data=journal)
    CopyOnWrite,      // new data goes to new blocks (btrfs, ZFS, bcachefs, ReFS, overlay)
    LogStructured,    // every write is appended (F2FS, NILFS2, JFFS2, UBIFS)
    Memory,           // nothing reaches a disk (tmpfs, ramfs)
    Network,          // another computer stores it
    Fuse,             // a program decides where it goes
    Unknown,
};

FileSystemKind KindOf(const platform::VolumeFacts& facts);

// The report's words: "rotational", "solid-state", "memory", "network",
// "virtual", "unknown"; "done", "unsupported", "not-permitted",
// "not-applicable", "failed".
const char* MediumName(platform::Medium medium);
const char* TrimName(platform::TrimResult result);

// What the system tells of volumes, behind an interface so that the
// verdicts can be tested over made-up volumes.
class VolumeProbe {
public:
    virtual ~VolumeProbe() = default;
    // A number the names of one volume share; nothing when not even that can be told.
    virtual std::optional<std::uint64_t> VolumeOf(const std::string& path) = 0;
    virtual std::optional<platform::VolumeFacts> Facts(const std::string& path) = 0;
    virtual platform::TrimOutcome Trim(const std::string& root) = 0;
};

// The probe over the running system (platform/VolumeMedium.h).
VolumeProbe& SystemVolumeProbe();

// After a free-space wipe whose fill is gone: the free space is trimmed
// where the medium takes TRIM. Memory and network volumes, and spinning
// disks that take no TRIM, are not applicable; a disk that says it takes
// none is unsupported; elsewhere (also where it cannot be told) the system
// is asked, and its answer is the outcome.
platform::TrimOutcome TrimAfterFill(VolumeProbe& probe, const platform::VolumeFacts& facts, const std::string& root);

struct VolumeVerdict {
    std::string path;  // the volume's mount folder (Linux) or root (Windows); the name asked about when unknown
    bool known = false;  // the system told what the volume is
    platform::VolumeFacts facts;
    FileSystemKind kind = FileSystemKind::Unknown;
    // NotApplicable with no reason until a free-space wipe of the volume trims.
    platform::TrimOutcome trim;
    bool freeSpaceWiped = false;
    // Files whose old clusters an overwrite does not reach (compressed,
    // encrypted or sparse by the file system's own doing).
    std::uint64_t filesNotReached = 0;

    // The verdict in one sentence, such as "overwritten in place on a
    // spinning disk".
    std::string Sentence() const;
};

// What keeps an overwrite of this file from its old clusters, worded to
// follow its name; empty when nothing does.
std::string StorageNote(const platform::FileStatus& status);

// The verdicts of one job, each volume's found once: the first time the job
// reaches a name on it.
class VolumeVerdicts {
public:
    explicit VolumeVerdicts(VolumeProbe& probe = SystemVolumeProbe()) : probe_(&probe) {}

    // The verdict of the volume that holds `path`; `volume` is the number the
    // probe's VolumeOf gives, when the caller knows it already.
    VolumeVerdict& Of(const std::string& path, std::optional<std::uint64_t> volume = std::nullopt);
    // Trims the free space of the volume that holds `path` (TrimAfterFill)
    // and keeps the outcome in its verdict.
    VolumeVerdict& TrimAfterFreeSpaceWipe(const std::string& path);
    // A free-space wipe of the volume that did not finish: nothing is trimmed.
    void FreeSpaceWipeUnfinished(const std::string& path, const std::string& why);

    // In the order the job reached them.
    const std::deque<VolumeVerdict>& All() const { return verdicts_; }

private:
    VolumeProbe* probe_;
    std::deque<VolumeVerdict> verdicts_;  // a verdict's place stays put as others are added
    std::map<std::uint64_t, std::size_t> byVolume_;
    std::map<std::string, std::size_t> byPath_;
};

}  // namespace pelorin::wipe
