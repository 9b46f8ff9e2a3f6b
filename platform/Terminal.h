#pragma once

namespace pelorin::platform {

// True when standard error is a terminal (a progress bar is then drawn).
bool StandardErrorIsTerminal();

}  // namespace pelorin::platform

#include <optional>
#include <string>

namespace pelorin::platform {

// True when standard input is a terminal.
bool StandardInputIsTerminal();

// Shows `prompt` on standard error and reads one line from the terminal
// without echoing it. Nothing at end of input.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

}  // namespace pelorin::platform
