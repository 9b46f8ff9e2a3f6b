#include "cli/SettingsCommand.h"

#include <charconv>
#include <cstdint>
#include <iostream>

#include "cli/Arguments.h"
#include "cli/CommandHelp.h"
#include "cli/SettingsTable.h"
#include "platform/Settings.h"

namespace pelorin::cli {
namespace {

void Usage() { std::cerr << UsageOf("settings"); }

std::optional<std::int64_t> WholeNumber(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// The value the programs go by: a stored value out of range is named (on
// standard error) and shown as the default that is used instead.
std::int64_t Shown(const ToolSetting& value) {
    return ReadSetting(platform::SettingsStore(value.key), value.setting);
}

}  // namespace

int RunSettings(const std::vector<std::string>& arguments) {
    const ProgramSettings* program = nullptr;
    for (const auto& candidate : kPrograms) {
        if (!arguments.empty() && arguments[0] == candidate.program) program = &candidate;
    }
    if (program == nullptr || arguments.size() > 3) {
        Usage();
        return kUsageError;
    }
    if (arguments.size() == 1) {
        for (const auto& value : program->values) std::cout << value.setting.name << "=" << Shown(value) << "\n";
        return 0;
    }
    const ToolSetting* found = nullptr;
    for (const auto& value : program->values) {
        if (arguments[1] == value.setting.name) found = &value;
    }
    if (found == nullptr) {
        std::cerr << "pelorin: " << program->program << " has no setting named " << arguments[1] << "\n";
        return kUsageError;
    }
    if (arguments.size() == 2) {
        std::cout << Shown(*found) << "\n";
        return 0;
    }
    const auto number = WholeNumber(arguments[2]);
    if (!number || !SettingAccepts(found->setting, *number)) {
        std::cerr << "pelorin: " << found->setting.name << " takes " << SettingRangeText(found->setting) << ", not \""
                  << arguments[2] << "\"\n";
        return kUsageError;
    }
    platform::SettingsStore store(found->key);
    if (!store.Write(found->setting.name, static_cast<std::uint32_t>(*number))) {
        std::cerr << "pelorin: " << found->setting.name << " could not be stored\n";
        return 1;
    }
    if (found->clearedWhenOff != nullptr && *number == 0) store.Write(found->clearedWhenOff->name, 0);
    return 0;
}

}  // namespace pelorin::cli
