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

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

}  // namespace pelorin::platform
