#include "platform/Settings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/HomeFolder.h"

namespace pelorin::platform {
namespace {

std::filesystem::path StorePath(const std::string& keyPath) {
    std::filesystem::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        base = config;
    } else if (const std::string home = HomeFolder(); !home.empty()) {
        base = std::filesystem::path(home) / ".config";
    } else {
        return {};  // no folder of the user's: the defaults, and nothing is stored
    }
    std::string relative = keyPath;
    for (char& c : relative) {
        if (c == '\\') c = '/';
    }
    return base / (relative + ".conf");
}

std::map<std::string, std::uint32_t> Load(const std::filesystem::path& path) {
    std::map<std::string, std::uint32_t> values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        const std::string text = line.substr(equals + 1);
        char* end = nullptr;
        const unsigned long value = std::strtoul(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0') continue;
        values[line.substr(0, equals)] = static_cast<std::uint32_t>(value);
    }
    return values;
}

// The text of every "name=text" line.
std::map<std::string, std::string> LoadTexts(const std::filesystem::path& path) {
    std::map<std::string, std::string> texts;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        texts[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return texts;
}

}  // namespace

std::optional<std::string> SettingsStore::ReadText(const std::string& name) const {
    const auto texts = LoadTexts(StorePath(keyPath_));
    const auto found = texts.find(name);
    if (found == texts.end()) return std::nullopt;
    return found->second;
}

std::string SettingsStore::Location() const { return StorePath(keyPath_).string(); }

SettingsStore::SettingsStore(std::string keyPath) : keyPath_(std::move(keyPath)) {}

std::optional<std::uint32_t> SettingsStore::Read(const std::string& name) const {
    const auto values = Load(StorePath(keyPath_));
    const auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

std::map<std::string, std::uint32_t> SettingsStore::ReadAll() const { return Load(StorePath(keyPath_)); }

bool SettingsStore::Write(const std::string& name, std::uint32_t value) {
    const auto path = StorePath(keyPath_);
    if (path.empty()) return false;
    auto values = Load(path);
    values[name] = value;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    // Written beside and renamed over, so a crash never leaves half a file.
    const auto temporary = path.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const auto& [key, stored] : values) out << key << '=' << stored << '\n';
        if (!out) return false;
    }
    std::filesystem::rename(temporary, path, error);
    return !error;
}

}  // namespace pelorin::platform
