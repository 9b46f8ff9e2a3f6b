#include "app_common/win32/Help.h"

#include <shellapi.h>

#include <string>

#include "platform/win32/WidePath.h"

namespace pelorin::win32 {

void OpenHelpPage(HWND owner, const char* title, const char* page, int context) {
    // The program's own folder may have any name.
    std::wstring module(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()))) == module.size()) {
        module.resize(module.size() * 2);
    }
    module.resize(length);
    std::string path = platform::win32::Narrow(module);
    path = path.substr(0, path.find_last_of('\\') + 1) + page;
    std::string address = path;
    for (char& c : address) {
        if (c == '\\') c = '/';
    }
    address = "file:///" + address + "#" + std::to_string(context);
    // ShellExecute reports success with a value above 32.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(owner, L"open", platform::win32::Widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        const std::string text = "The help page " + path + " could not be opened. Open it in a web browser to read it.";
        MessageBoxW(owner, platform::win32::Widen(text).c_str(), platform::win32::Widen(title).c_str(),
                    MB_OK | MB_ICONEXCLAMATION);
    }
}

}  // namespace pelorin::win32
