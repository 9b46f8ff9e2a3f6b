#include "cli/ClassicCodePage.h"

#include <charconv>
#include <iostream>
#include <string>

#include "archive/EntryNames.h"
#include "platform/CodePage.h"
#include "platform/Settings.h"

namespace pelorin::cli {
namespace {

constexpr const char* kKnownCodePages = "874, 1250 to 1258, 65001 for UTF-8, and on Windows every one it has";

std::optional<unsigned> CodePageNumber(const std::string& text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value == 0 || !platform::KnowsCodePage(value)) return std::nullopt;
    return value;
}

}  // namespace

bool ChooseClassicCodePage(const ParsedArguments& parsed, const char* usage) {
    if (const auto given = parsed.Value(kCodePageOption)) {
        const auto number = CodePageNumber(*given);
        if (!number) {
            std::cerr << "pelorin: " << kCodePageOption << " takes a Windows code page this system converts ("
                      << kKnownCodePages << "), not \"" << *given << "\"\n"
                      << usage;
            return false;
        }
        archive::SetClassicNameCodePage(*number);
        return true;
    }
    const platform::SettingsStore store(kArchivesSettingsKey);
    const std::uint32_t stored = ReadSetting(store, kCodePage);
    if (stored != 0 && !platform::KnowsCodePage(stored)) {
        std::cerr << "pelorin: the setting " << kCodePage.name << "=" << stored
                  << " is not a code page this system converts (" << kKnownCodePages << "); the system's own, "
                  << platform::SystemCodePage() << ", is used\n";
        archive::SetClassicNameCodePage(0);
        return true;
    }
    archive::SetClassicNameCodePage(stored);
    return true;
}

}  // namespace pelorin::cli
