#pragma once

namespace pelorin::platform {

// True when standard error is a terminal (a progress bar is then drawn).
bool StandardErrorIsTerminal();

// The width of the terminal behind standard error in characters; 0 when
// it cannot be told.
int StandardErrorColumns();

// True where a terminal shows names as UTF-8 (Linux); false where they are
// text of the system's code page (Windows).
bool TerminalTextIsUtf8();

}  // namespace pelorin::platform

#include <optional>
#include <string>

namespace pelorin::platform {

// True when standard input is a terminal.
bool StandardInputIsTerminal();

// Shows `prompt` on standard error and reads one line from the terminal
// without echoing it, as text of the system's code page. Nothing at end of
// input. `exact` turns false when a typed character has no form in the code
// page (Windows; a Linux terminal delivers bytes).
std::optional<std::string> ReadHiddenLine(const std::string& prompt, bool* exact = nullptr);

// An environment variable as text of the system's code page; `exact` as above.
std::optional<std::string> EnvironmentText(const std::string& name, bool* exact = nullptr);

}  // namespace pelorin::platform
