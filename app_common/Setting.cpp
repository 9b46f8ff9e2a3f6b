#include "app_common/Setting.h"

#include <charconv>
#include <mutex>
#include <set>

namespace pelorin {
namespace {

std::mutex guard;
SettingWarning warning = nullptr;
std::set<std::string> told;

std::optional<std::int64_t> WholeNumber(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

bool SettingAccepts(const Setting& setting, std::int64_t value) {
    if (value < setting.lowest || value > setting.highest) return false;
    return !setting.powerOfTwo || (value > 0 && (value & (value - 1)) == 0);
}

std::string SettingRangeText(const Setting& setting) {
    return std::string(setting.powerOfTwo ? "a power of two" : "a whole number") + " from " +
           std::to_string(setting.lowest) + " to " + std::to_string(setting.highest);
}

std::string OutOfRangeSettingText(const platform::SettingsStore& store, const Setting& setting,
                                  const std::string& stored) {
    return std::string(setting.name) + "=" + stored + " in " + store.Location() + " is not " +
           SettingRangeText(setting);
}

std::optional<std::int64_t> ReadCheckedSetting(const platform::SettingsStore& store, const Setting& setting) {
    const auto text = store.ReadText(setting.name);
    if (!text) return setting.defaultValue;
    const auto number = WholeNumber(*text);
    if (number && SettingAccepts(setting, *number)) return *number;
    return std::nullopt;
}

std::uint32_t ReadSetting(const platform::SettingsStore& store, const Setting& setting) {
    if (const auto value = ReadCheckedSetting(store, setting)) return static_cast<std::uint32_t>(*value);
    const std::string said = OutOfRangeSettingText(store, setting, store.ReadText(setting.name).value_or("")) +
                             "; the default " + std::to_string(setting.defaultValue) + " is used instead";
    const std::lock_guard lock(guard);
    if (warning != nullptr && told.insert(said).second) warning(said);
    return setting.defaultValue;
}

void SetSettingWarning(SettingWarning given) {
    const std::lock_guard lock(guard);
    warning = given;
}

}  // namespace pelorin
