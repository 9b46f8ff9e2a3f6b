#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pelorin::platform {

// What holds a volume's bytes, as far as the system tells.
enum class Medium {
    Rotational,  // a spinning disk
    SolidState,  // flash: a solid-state drive, a memory card
    Memory,      // the computer's memory (tmpfs, a RAM disk)
    Network,     // another computer (a network file system, a network block device)
    Virtual,     // a file or a host behind the disk (a loop device, a virtual machine's disk)
    Unknown,
};

// What the system tells of the volume that holds a path and of the disk
// under it. Linux follows the mount's block device through partitions,
// device-mapper and software RAID and loop devices to the disk; Windows asks
// the volume's disk for its seek penalty, TRIM support and bus.
struct VolumeFacts {
    // As the system names it: "ext4", "btrfs", "tmpfs", "nfs4", "fuse.sshfs",
    // "NTFS"; empty when unknown.
    std::string fileSystem;
    std::string dataMode;    // ext3 and ext4: "ordered", "writeback" or "journal"; empty elsewhere
    std::string mountPoint;  // where the volume is mounted (Linux, ending with '/'); its root "x:\" (Windows)
    std::string device;      // the disk the volume was followed to ("loop0", "sda"); empty when none
    std::string backingFile;  // a loop device's image file
    Medium medium = Medium::Unknown;
    std::optional<bool> discards;  // the disk takes TRIM (discard); nothing when it cannot be told
    bool mountDiscards = false;    // freed blocks are trimmed at once (Linux's mount option discard)
};

// The facts of the volume that holds `path` (an existing name, or one whose
// folder exists). Nothing when not even the file system can be told.
std::optional<VolumeFacts> ProbeVolume(const std::string& path);

// The outcome of trimming a volume's free space.
enum class TrimResult { Done, Unsupported, NotPermitted, NotApplicable, Failed };

struct TrimOutcome {
    TrimResult result = TrimResult::NotApplicable;
    std::string reason;       // the system's words, or why it was not tried
    std::uint64_t bytes = 0;  // what the file system says it trimmed, where it says (Linux)
};

// Tells the disk that the free space of the volume whose root (Linux: mount
// folder) is `root` holds nothing: FITRIM on Linux, which needs the
// administrator; on Windows the volume's retrim by the system's optimiser
// (defrag.exe /L), which needs an elevated administrator too.
TrimOutcome TrimFreeSpace(const std::string& root);

}  // namespace pelorin::platform
