#include "platform/Terminal.h"

#include <windows.h>

namespace pelorin::platform {
namespace {

// A console, not merely a character device: the C run-time's isatty also
// says yes for NUL, where nobody reads a question or types an answer.
bool IsConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

}  // namespace

bool StandardErrorIsTerminal() { return IsConsole(STD_ERROR_HANDLE); }

bool StandardInputIsTerminal() { return IsConsole(STD_INPUT_HANDLE); }

}  // namespace pelorin::platform

namespace pelorin::platform {

int StandardErrorColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

Utf8Output::Utf8Output() {
    if (IsConsole(STD_OUTPUT_HANDLE) || IsConsole(STD_ERROR_HANDLE)) {
        previous_ = GetConsoleOutputCP();
        if (previous_ == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) previous_ = 0;
    }
}

Utf8Output::~Utf8Output() {
    if (previous_ != 0) SetConsoleOutputCP(previous_);
}

}  // namespace pelorin::platform
