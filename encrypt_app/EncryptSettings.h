#pragma once

#include "app_common/Setting.h"

namespace pelorin::encrypt {

// The encryptor's per-user settings: key, value names and defaults.
inline constexpr const char* kSettingsKey = "Software\\Tarn6 Software\\Pelorin";

inline constexpr Setting kEncHeaders{"encheaders", 1, 0, 1};
inline constexpr Setting kHashPasskey{"hashpasskey", 1, 0, 1};
inline constexpr Setting kNumPasses{"numpasses", 3, 0, kMostStoredPasses};
inline constexpr Setting kLastAlg{"lastalg", 0, 0, 1};
// 0..7 and 9 are algorithms; 8 (and any other value) means none.
inline constexpr Setting kActualAlg{"actualalg", 8, 0, 9};
inline constexpr Setting kStickyDelete{"stickydelete", 0, 0, 1};
inline constexpr Setting kHaveDelete{"havedelete", 0, 0, 1};
inline constexpr Setting kOverwrite{"overwrite", 0, 0, 1};
// The key derivation's memory for archives of algorithm 9, in MiB.
inline constexpr Setting kKdfMemory{"kdfmemory", 256, 8, 4096, true};

inline constexpr Setting kAllSettings[] = {kEncHeaders, kHashPasskey, kNumPasses, kLastAlg,
                                           kActualAlg,  kStickyDelete, kHaveDelete, kOverwrite,
                                           kKdfMemory};

}  // namespace pelorin::encrypt
