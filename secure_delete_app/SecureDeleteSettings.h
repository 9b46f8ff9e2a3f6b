#pragma once

#include "app_common/Setting.h"

namespace pelorin::secure_delete {

// The program's per-user profile key; the value lies in the key itself.
inline constexpr const char* kSettingsKey = "Software\\Tarn6 Software\\Secure Delete";
// 1: the confirmation is shown before anything is deleted; 0: it is not.
inline constexpr Setting kSecDelDoNotRemind{"SecDelDoNotRemind", 1, 0, 1};
// 1: every file's last pass is read back from the disk and compared before
// the file is deleted; one that does not read back as written is kept.
inline constexpr Setting kVerify{"verify", 0, 0, 1};

}  // namespace pelorin::secure_delete
