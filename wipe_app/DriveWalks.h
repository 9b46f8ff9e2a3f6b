#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "wipe/ErasureRecord.h"
#include "wipe_app/WipeRun.h"

namespace pelorin::wipe_app {

// The three walks over a drive. They share one shape: a folder's entries are
// visited depth-first in the order the system lists them, every name that
// begins with '.' is passed over, and only regular files are files. A link
// (symbolic link, junction, mount point) is never entered, counted or
// slack-wiped; a device, pipe or socket is no file either; and no walk
// crosses into another mounted file system.
struct DriveWalk {
    std::string root;
    RunState& state;
    WipeView& view;
    int diskPasses = 1;  // the delete walk's overwrite passes: the drive's disk passes
    bool verify = false;  // the delete walk reads each file's last pass back before deleting it
    // Where the delete walk counts what it wrote and verified, and notes the
    // files an overwrite does not reach; none when nobody asks.
    wipe::ErasureJob* job = nullptr;
    wipe::ErasureRecord* record = nullptr;
};

// The number of files below the root; a folder that cannot be listed counts 0.
std::uint32_t CountFiles(const DriveWalk& walk);

// Wipes the slack of every file (`wipeSlack` returns the library's code; 0
// and 13 are success), showing each at 20000 + k x 12000 / count. Every
// file is visited even after one failed; false when any file or folder
// failed. A cancel stops it (true).
bool SlackWalk(const DriveWalk& walk, const std::function<int(const std::string&)>& wipeSlack);

// Deletes every file (each shown at k x 12000 / count) and link, then each
// emptied folder except the drive root and, on Linux, the root's
// lost+found, which the file system's checker needs. Each file's contents
// are overwritten where they lie first (the drive's disk passes), since a
// small file's may live in its own record, where no free-space wipe reaches
// them; a file with further names only loses this one. A file that cannot
// be overwritten stays. False when any file or folder remains. A cancel
// stops it (true), leaving the folder it was in; a file it stopped in the
// middle of is deleted.
bool DeleteWalk(const DriveWalk& walk);

}  // namespace pelorin::wipe_app
