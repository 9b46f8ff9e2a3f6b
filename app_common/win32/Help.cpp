#include "app_common/win32/Help.h"

#include <shellapi.h>

#include <string>

namespace pelorin::win32 {

void OpenHelpPage(HWND owner, const char* title, const char* page, int context) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    path = path.substr(0, path.find_last_of('\\') + 1) + page;
    std::string address = path;
    for (char& c : address) {
        if (c == '\\') c = '/';
    }
    address = "file:///" + address + "#" + std::to_string(context);
    // ShellExecute reports success with a value above 32.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        const std::string text = "The help page " + path + " could not be opened. Open it in a web browser to read it.";
        MessageBoxA(owner, text.c_str(), title, MB_OK | MB_ICONEXCLAMATION);
    }
}

}  // namespace pelorin::win32
