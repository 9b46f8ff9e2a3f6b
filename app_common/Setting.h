#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Settings.h"

namespace pelorin {

// One per-user setting of a program: its value name, the value a missing
// one reads as, and the range a stored value must lie in. The `settings`
// command writes only values in the range, and every program checks what it
// reads against the same range, since the file (or the registry) may have
// been edited by hand.
struct Setting {
    const char* name;
    std::uint32_t defaultValue;
    std::int64_t lowest;
    std::int64_t highest;
    // Only powers of two within the range (a memory size).
    bool powerOfTwo = false;
};

// Whether a value lies in the setting's range (and is a power of two where
// the setting asks for one).
bool SettingAccepts(const Setting& setting, std::int64_t value);
// "a whole number from 0 to 10000", "a power of two from 8 to 4096".
std::string SettingRangeText(const Setting& setting);

// The most passes the encryptor's and decryptor's pass-count settings hold.
inline constexpr std::int64_t kMostStoredPasses = 1000000;

// The setting's stored value when it is a whole number in its range, its
// default when nothing is stored, and nothing when what is stored is not
// such a number.
std::optional<std::int64_t> ReadCheckedSetting(const platform::SettingsStore& store, const Setting& setting);

// The same, with the default for a value out of range, which the warning
// below names (once per process and value).
std::uint32_t ReadSetting(const platform::SettingsStore& store, const Setting& setting);

// "NumDisk=4294967295 in /home/a/.config/.../Global.conf is not a whole
// number from 0 to 10000"
std::string OutOfRangeSettingText(const platform::SettingsStore& store, const Setting& setting,
                                  const std::string& stored);

// Where the programs say that a stored value is out of range (standard
// error in the tool, a message box in the dialog programs); nothing is said
// until one is set. The text names the value, its store and its range, and
// that the default is used.
using SettingWarning = void (*)(const std::string& text);
void SetSettingWarning(SettingWarning warning);

}  // namespace pelorin
