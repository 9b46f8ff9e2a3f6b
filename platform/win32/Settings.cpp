#include "platform/Settings.h"

#include <windows.h>

#include <string>

namespace pelorin::platform {

SettingsStore::SettingsStore(std::string keyPath) : keyPath_(std::move(keyPath)) {}

std::optional<std::uint32_t> SettingsStore::Read(const std::string& name) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<std::string> SettingsStore::ReadText(const std::string& name) const {
    const auto value = Read(name);
    if (!value) return std::nullopt;
    return std::to_string(static_cast<std::int32_t>(*value));
}

std::string SettingsStore::Location() const { return "HKEY_CURRENT_USER\\" + keyPath_; }

std::map<std::string, std::uint32_t> SettingsStore::ReadAll() const {
    std::map<std::string, std::uint32_t> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name, type = 0, value = 0, size = sizeof value;
        const LONG result = RegEnumValueA(key, index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(&value), &size);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value) values[name] = value;
    }
    RegCloseKey(key);
    return values;
}

bool SettingsStore::Write(const std::string& name, std::uint32_t value) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, &disposition) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD stored = value;
    const LONG result =
        RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stored), sizeof stored);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace pelorin::platform
