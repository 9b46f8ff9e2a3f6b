#pragma once

#include <windows.h>

#include <string>

// The program's names are 8-bit text in the system code page; the file
// calls take them in their wide, long-path form, so that names of any
// length reach the file system.
namespace pelorin::platform::win32 {

std::wstring Widen(const std::string& text);

// Back to the code page; `exact` (when given) turns false when a character
// has no form there, and '?' stands in for it.
std::string Narrow(const std::wstring& text, bool* exact = nullptr);

// The name resolved against the current folder and marked "\\?\" (or
// "\\?\UNC\" for a network name), which lifts the 260-character limit.
std::wstring LongPath(const std::string& path);

// Remembers the system's words for a failed call (see LastFailureText).
void RememberFailure(DWORD code);

}  // namespace pelorin::platform::win32
