#pragma once

#include "app_common/Setting.h"

namespace pelorin::wipe_app {

// The pass counts, shared with the other programs of the suite, and the
// drive wipe program's own last wipe type.
inline constexpr const char* kGlobalKey = "Software\\Tarn6 Software\\Pelorin\\Global";
inline constexpr const char* kProgramKey = "Software\\Tarn6 Software\\Pelorin Wipe";
inline constexpr Setting kNumDisk{"NumDisk", 3, 0, 10000};
inline constexpr Setting kNumMem{"NumMem", 10, 0, 10000};
inline constexpr Setting kWhat{"what", 1, 1, 3};
// 1: every file's and the fill's last pass is read back from the disk and
// compared; a file that does not read back as written is kept.
inline constexpr Setting kVerify{"verify", 0, 0, 1};

}  // namespace pelorin::wipe_app
