#pragma once

#include <cstdint>
#include <span>

#include "app_common/Setting.h"
#include "decrypt_app/DecryptSettings.h"
#include "encrypt_app/EncryptSettings.h"
#include "secure_delete_app/SecureDeleteSettings.h"
#include "wipe_app/WipeSettings.h"

namespace pelorin::cli {

inline constexpr std::int64_t kMostPasses = 1000000;

// One value the tool may show and set: where it lives, its range, and the
// value that switching it off also clears (the remembered choice behind a
// "remember" switch).
struct ToolSetting {
    const char* key;
    Setting setting;
    std::int64_t lowest;
    std::int64_t highest;
    const Setting* clearedWhenOff = nullptr;
};

inline constexpr ToolSetting kEncryptSettings[] = {
    {encrypt::kSettingsKey, encrypt::kEncHeaders, 0, 1},
    {encrypt::kSettingsKey, encrypt::kHashPasskey, 0, 1},
    {encrypt::kSettingsKey, encrypt::kNumPasses, 0, kMostPasses},
    {encrypt::kSettingsKey, encrypt::kLastAlg, 0, 1, &encrypt::kActualAlg},
    {encrypt::kSettingsKey, encrypt::kActualAlg, 0, 8},
    {encrypt::kSettingsKey, encrypt::kStickyDelete, 0, 1},
    {encrypt::kSettingsKey, encrypt::kHaveDelete, 0, 1},
    {encrypt::kSettingsKey, encrypt::kOverwrite, 0, 1},
};

inline constexpr ToolSetting kDecryptSettings[] = {
    {decrypt::kSettingsKey, decrypt::kStickDel, 0, 1, &decrypt::kActualDel},
    {decrypt::kSettingsKey, decrypt::kActualDel, 0, 1},
    {decrypt::kSettingsKey, decrypt::kNumIter, 0, kMostPasses},
};

inline constexpr ToolSetting kWipeSettings[] = {
    {wipe_app::kGlobalKey, wipe_app::kNumDisk, 0, 10000},
    {wipe_app::kGlobalKey, wipe_app::kNumMem, 0, 10000},
    {wipe_app::kProgramKey, wipe_app::kWhat, 1, 3},
};

inline constexpr ToolSetting kDeleteSettings[] = {
    {secure_delete::kSettingsKey, secure_delete::kSecDelDoNotRemind, 0, 1},
};

// The settings `pelorin settings` shows and sets, by program; the shell
// completions offer the same names.
struct ProgramSettings {
    const char* program;
    std::span<const ToolSetting> values;
};

inline constexpr ProgramSettings kPrograms[] = {
    {"encrypt", kEncryptSettings},
    {"decrypt", kDecryptSettings},
    {"wipe", kWipeSettings},
    {"delete", kDeleteSettings},
};

}  // namespace pelorin::cli
