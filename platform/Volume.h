#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pelorin::platform {

// A volume's allocation unit and free space, as the secure-deletion code
// needs them: writes cover whole clusters, and the free-space fill grows
// until the free clusters are used up.
struct VolumeGeometry {
    std::uint64_t clusterSize = 0;   // bytes per cluster (sectors x bytes per sector)
    std::uint64_t sectorSize = 512;  // the smallest unit the volume writes
    std::uint64_t freeClusters = 0;
    std::uint64_t totalClusters = 0;
    // Free inodes (file records); 0 where the system does not tell (Windows).
    std::uint64_t freeFileRecords = 0;
};

// Geometry of the volume that holds `path` (a drive root such as "x:\" on
// Windows; any absolute path on Linux). Nothing when it cannot be queried.
std::optional<VolumeGeometry> QueryVolume(const std::string& path);

enum class DriveType { Unknown, NoRootDirectory, Removable, Fixed, Remote, CdRom, RamDisk };

DriveType QueryDriveType(const std::string& root);

// Whether a drive can be entered now (Windows: made the current drive, then
// the current folder is restored; a removable drive without a disk cannot).
bool CanEnterDrive(const std::string& root);

// Whether a folder is the top of a mounted volume (Linux: "/" or a folder
// on another device than its parent; Windows: a drive root "x:\").
bool IsVolumeRoot(const std::string& path);

// Whether the volume holds the running system (the Windows folder; on Linux
// the volume of "/"): deleting everything on it could not finish and would
// leave the system unable to start.
bool HoldsRunningSystem(const std::string& root);

// Names, creates empty and returns a new file in `folder` whose name starts
// with `prefix` (as GetTempFileNameA with unique number 0 does). Nothing when
// no name could be made.
std::optional<std::string> CreateTempFile(const std::string& folder, const std::string& prefix);

// Why no new file can be made in `folder` now, in the system's words (a
// read-only volume, one without free inodes, no permission); empty when
// nothing stands in the way that can be told without making one.
std::string WhyNoNewFileIn(const std::string& folder);

// The user's own folder for state that outlives a run (the XDG state folder
// on Linux, the local application-data folder on Windows), ending with a
// separator.
std::string UserStateFolder();

bool DeleteFileNamed(const std::string& path);
// Whether this user may delete the file: its folder lets the name go
// (writable, and the sticky bit allows it on Linux) and it is not
// read-only (Windows). Asked before a file is overwritten for deletion.
bool CanRemove(const std::string& path);
// Gives a file a new name; never replaces a file of that name (false then).
bool RenameFile(const std::string& from, const std::string& to);
// Gives a file the name of another one, which it replaces in one step (the
// name is never missing meanwhile); the replaced file's permissions (and, for
// the administrator, its owner) carry over, and a file that replaces nothing
// gets the permissions a new file would have. A link of that name is
// replaced itself, never written through. Without `carryPermissions` the
// file keeps the permissions it has (its owner gives it its own next).
bool MoveOver(const std::string& from, const std::string& to, bool carryPermissions = true);

// Gives `path` the permissions (and, for the administrator, the owner) of
// `like`, or those of a new file when `like` does not exist.
void MatchPermissions(const std::string& path, const std::string& like);
bool FileExists(const std::string& path);

// The volume root a name's rules refer to: the first three characters
// ("x:\") on Windows; the name itself on Linux, where any path of the volume
// answers a query.
std::string VolumeRootOf(const std::string& fullyQualifiedName);

// "Fully qualified": a drive letter, a colon and a backslash on Windows; an
// absolute path on Linux.
bool IsFullyQualified(const std::string& name);

// A drive root: "x:\" (the first three characters) on Windows; an absolute
// path ending with '/' on Linux.
bool IsDriveRootForm(const std::string& root);

}  // namespace pelorin::platform
