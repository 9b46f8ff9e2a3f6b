#pragma once

#include <cstdint>
#include <span>

#include "app_common/Setting.h"
#include "cli/ClassicCodePage.h"
#include "decrypt_app/DecryptSettings.h"
#include "encrypt_app/EncryptSettings.h"
#include "secure_delete_app/SecureDeleteSettings.h"
#include "wipe_app/WipeSettings.h"

namespace pelorin::cli {

// One value the tool may show and set: where it lives (its range is the
// setting's own), and the value that switching it off also clears (the
// remembered choice behind a "remember" switch).
struct ToolSetting {
    const char* key;
    Setting setting;
    const Setting* clearedWhenOff = nullptr;
};

inline constexpr ToolSetting kEncryptSettings[] = {
    {encrypt::kSettingsKey, encrypt::kEncHeaders},
    {encrypt::kSettingsKey, encrypt::kHashPasskey},
    {encrypt::kSettingsKey, encrypt::kNumPasses},
    {encrypt::kSettingsKey, encrypt::kLastAlg, &encrypt::kActualAlg},
    {encrypt::kSettingsKey, encrypt::kActualAlg},
    {encrypt::kSettingsKey, encrypt::kStickyDelete},
    {encrypt::kSettingsKey, encrypt::kHaveDelete},
    {encrypt::kSettingsKey, encrypt::kOverwrite},
    {encrypt::kSettingsKey, encrypt::kKdfMemory},
};

inline constexpr ToolSetting kDecryptSettings[] = {
    {decrypt::kSettingsKey, decrypt::kStickDel, &decrypt::kActualDel},
    {decrypt::kSettingsKey, decrypt::kActualDel},
    {decrypt::kSettingsKey, decrypt::kNumIter},
};

inline constexpr ToolSetting kWipeSettings[] = {
    {wipe_app::kGlobalKey, wipe_app::kNumDisk},
    {wipe_app::kGlobalKey, wipe_app::kNumMem},
    {wipe_app::kProgramKey, wipe_app::kWhat},
    {wipe_app::kProgramKey, wipe_app::kVerify},
};

inline constexpr ToolSetting kArchivesSettings[] = {
    {kArchivesSettingsKey, kCodePage},
};

inline constexpr ToolSetting kDeleteSettings[] = {
    {secure_delete::kSettingsKey, secure_delete::kSecDelDoNotRemind},
    {secure_delete::kSettingsKey, secure_delete::kVerify},
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
    {"archives", kArchivesSettings},
};

}  // namespace pelorin::cli
