#include "platform/Terminal.h"

#include <io.h>

namespace pelorin::platform {

bool StandardErrorIsTerminal() { return _isatty(2) != 0; }

}  // namespace pelorin::platform

#include <windows.h>

#include <cstdio>
#include <iostream>

namespace pelorin::platform {

bool StandardInputIsTerminal() { return _isatty(0) != 0; }

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const bool console = GetConsoleMode(input, &mode) != FALSE;
    if (console) SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (console) {
        SetConsoleMode(input, mode);
        std::fputs("\n", stderr);
    }
    if (!got) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace pelorin::platform
