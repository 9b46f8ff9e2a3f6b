#include "platform/Process.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/WidePath.h"

namespace pelorin::platform {

std::vector<std::string> ProgramArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(win32::Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

void SetIdlePriority() { SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS); }

std::size_t OpenFileLimit() { return 1 << 16; }

void SetNormalPriority() { SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS); }

}  // namespace pelorin::platform
