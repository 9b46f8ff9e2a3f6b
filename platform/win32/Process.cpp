#include "platform/Process.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/WidePath.h"

namespace pelorin::platform {
namespace {

// WER_FAULT_REPORTING_FLAG_NOHEAP: a report without the process's heap.
constexpr DWORD kReportWithoutHeap = 1;

// An exception nothing handled ends the process here and now: Windows Error
// Reporting, which would dump its memory, never runs.
LONG WINAPI EndAtOnce(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void KeepOutOfCrashDumps() {
    SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndAtOnce);
    using SetFlags = HRESULT(WINAPI*)(DWORD);
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        if (auto set = reinterpret_cast<SetFlags>(reinterpret_cast<void*>(GetProcAddress(kernel, "WerSetFlags")))) {
            set(kReportWithoutHeap);
        }
    }
}

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
