#include "app_common/win32/StartNames.h"

#include <windows.h>
#include <shellapi.h>

#include "app_common/win32/InstanceGathering.h"
#include "platform/win32/WidePath.h"

namespace pelorin::win32 {
namespace {

std::vector<std::wstring> WideArguments() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return {};
    std::vector<std::wstring> wide(arguments + (count > 0 ? 1 : 0), arguments + count);
    LocalFree(arguments);
    return wide;
}

std::wstring FullPath(const std::wstring& name) {
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) return name;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return name;
    full.resize(length);
    return full;
}

std::string ProgramText(const std::wstring& name) {
    bool exact = true;
    std::string text = platform::win32::Narrow(name, &exact);
    if (exact) return text;
    const DWORD size = GetShortPathNameW(name.c_str(), nullptr, 0);
    if (size > 0) {
        std::wstring shortForm(size, L'\0');
        const DWORD length = GetShortPathNameW(name.c_str(), shortForm.data(), size);
        if (length > 0 && length < size) {
            shortForm.resize(length);
            text = platform::win32::Narrow(shortForm, &exact);
            if (exact) return text;
        }
    }
    std::string marked;
    for (const wchar_t c : name) {
        const std::string one = platform::win32::Narrow(std::wstring(1, c), &exact);
        marked += exact ? one : "|";
    }
    return marked;
}

}  // namespace

std::string Utf8FromWide(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

std::wstring WideFromUtf8(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

StartNames ReadStartNames(const std::wstring& program) {
    const auto arguments = WideArguments();
    StartNames start;
    if (arguments.empty() || arguments.front() != kGatherSwitch) {
        for (const auto& argument : arguments) start.names.push_back(Utf8FromWide(argument));
        return start;
    }
    std::vector<std::string> names;
    for (auto argument = arguments.begin() + 1; argument != arguments.end(); ++argument) {
        if (!argument->empty()) names.push_back(Utf8FromWide(FullPath(*argument)));
    }
    auto gathered = GatherInstanceNames(program, names);
    if (gathered) {
        start.names = std::move(*gathered);
    } else {
        start.handedOver = true;
    }
    return start;
}

std::vector<std::string> ProgramTexts(const std::vector<std::string>& names) {
    std::vector<std::string> texts;
    for (const auto& name : names) texts.push_back(ProgramText(WideFromUtf8(name)));
    return texts;
}

}  // namespace pelorin::win32
