#include "platform/Terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace pelorin::platform {

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int StandardErrorColumns() {
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

Utf8Output::Utf8Output() = default;
Utf8Output::~Utf8Output() = default;

}  // namespace pelorin::platform

#include <termios.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace pelorin::platform {

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::optional<std::string> EnvironmentText(const std::string& name, bool* exact) {
    if (exact) *exact = true;
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt, bool* exact) {
    if (exact) *exact = true;
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (!got) return std::nullopt;
    return line;
}

}  // namespace pelorin::platform
