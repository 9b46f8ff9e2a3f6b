#pragma once

#include <windows.h>

namespace pelorin::win32 {

// Opens a local help page beside the program (`page`, such as
// "PelorinEncrypt.html") at the topic of a context number, in the user's
// browser; the old help viewer is gone from current Windows. When no
// program can show it, a message box captioned `title` names the page.
void OpenHelpPage(HWND owner, const char* title, const char* page, int context);

}  // namespace pelorin::win32
