#pragma once

#include <string>

// The drive wipe program's texts, word for word (spelling included).
namespace pelorin::wipe_app {

inline constexpr const char* kApplicationTitle = "Pelorin Wipe";
inline constexpr const char* kInitializingStatus = "Initializing...";
inline constexpr const char* kCountingStatus = "Counting files...";
inline constexpr const char* kWipingDriveStatus = "Wiping drive...";
inline constexpr const char* kFinishedStatus = " ";
inline constexpr const char* kNoDriveText = "No drive was selected. Please choose a drive and press 'Start' again.";
inline constexpr const char* kCompleteQuestion =
    "You have chosen to completly wipe the selected drive or drives. Wiping these drives will render any data "
    "contained on them unrecoverable.\n\nAre you sure you want to wipe the selected drives?";
inline constexpr const char* kNoDiskPassesText =
    "The number of disk passes is 0, so nothing would be overwritten. Set at least one pass in Options and start "
    "again.";
inline constexpr const char* kSlackFailedText = "There was an error wiping the slack of one or more files.";
inline constexpr const char* kDeleteFailedText =
    "There was an error deleting one or more files on the hard drive. These files may be read-only, hidden, system "
    "files, or may be currently open. You should manually delete these files and then run Pelorin Wipe again.";
inline constexpr const char* kNumMemWriteFailedText = "Could not write the NumMem variable to the registry.";
inline constexpr const char* kNumDiskWriteFailedText = "Could not write the NumDisk variable to the registry.";
inline constexpr const char* kVerifyWriteFailedText = "Could not write the verify variable to the registry.";

// `root` is the drive root: "x:\" on Windows, a mount folder ending with '/'
// on Linux.
inline std::string DriveTestText(const std::string& root) {
    return "Pelorin Wipe could not access drive " + root + ". If this is a removable drive, please insert a disk now.";
}
inline std::string FreeSpaceStatus(const std::string& root) { return "Wiping free space on drive " + root + "."; }
inline std::string SlackStatus(const std::string& path) { return "Wiping slack of " + path + "..."; }
inline std::string DeleteStatus(const std::string& path) { return "Wiping " + path + "..."; }
inline std::string LibraryErrorText(const std::string& text) { return "There was an error:\n\n" + text; }
inline std::string SystemDriveText(const std::string& root) {
    return "Complete is not run on " + root +
           ": it holds the running system, whose files cannot all be deleted and which would not start again "
           "afterwards. Nothing on it was deleted. Standard and Thorough can wipe it.";
}

}  // namespace pelorin::wipe_app
