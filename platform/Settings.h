#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace pelorin::platform {

// A per-user store of named 32-bit values under a key path such as
// "Software\Tarn6 Software\Pelorin": the registry below HKEY_CURRENT_USER on
// Windows (REG_DWORD values); on Linux one small text file per key,
// "<XDG config folder>/<key path with '/' for '\'>.conf", holding
// "name=value" lines.
class SettingsStore {
public:
    explicit SettingsStore(std::string keyPath);

    // Nothing when the value (or the key) is missing or unreadable.
    std::optional<std::uint32_t> Read(const std::string& name) const;
    std::uint32_t ReadOr(const std::string& name, std::uint32_t fallback) const {
        return Read(name).value_or(fallback);
    }
    bool Write(const std::string& name, std::uint32_t value);

    // Every value stored under the key.
    std::map<std::string, std::uint32_t> ReadAll() const;

    // A value as it is stored, for a range check: on Linux the text after
    // "name=", which a hand-edited file may make any number or none; on
    // Windows the 32-bit value as a signed decimal number (as the programs
    // write and show it). Nothing when it is missing.
    std::optional<std::string> ReadText(const std::string& name) const;
    // Where the values are, for messages: the file, or the registry key.
    std::string Location() const;

    const std::string& keyPath() const { return keyPath_; }

private:
    std::string keyPath_;
};

}  // namespace pelorin::platform
