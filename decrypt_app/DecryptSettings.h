#pragma once

#include "app_common/Setting.h"

namespace pelorin::decrypt {

// The decryptor's per-user settings: its own key, value names and defaults.
inline constexpr const char* kSettingsKey = "Software\\Tarn6 Software\\Pelorin Decrypt";
inline constexpr Setting kStickDel{"stickdel", 0, 0, 1};
inline constexpr Setting kActualDel{"actualdel", 0, 0, 1};
inline constexpr Setting kNumIter{"numiter", 3, 0, kMostStoredPasses};
inline constexpr Setting kAllSettings[] = {kStickDel, kActualDel, kNumIter};

}  // namespace pelorin::decrypt
