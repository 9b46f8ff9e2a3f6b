#pragma once

namespace pelorin::platform {

// True when standard error is a terminal (a progress bar is then drawn).
bool StandardErrorIsTerminal();

// The width of the terminal behind standard error in characters; 0 when
// it cannot be told.
int StandardErrorColumns();

// The tool writes UTF-8 on every system. While an object of this lives, a
// Windows console shows it as such (its output code page is UTF-8
// meanwhile, and the one it had comes back at the end); a Linux terminal
// is left as it is. Output to a file or a pipe is UTF-8 either way.
class Utf8Output {
public:
    Utf8Output();
    ~Utf8Output();
    Utf8Output(const Utf8Output&) = delete;
    Utf8Output& operator=(const Utf8Output&) = delete;

private:
    unsigned previous_ = 0;
};

// True when standard input is a terminal.
bool StandardInputIsTerminal();

}  // namespace pelorin::platform
