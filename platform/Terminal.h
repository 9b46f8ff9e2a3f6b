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

// True when standard input is a terminal.
bool StandardInputIsTerminal();

}  // namespace pelorin::platform
