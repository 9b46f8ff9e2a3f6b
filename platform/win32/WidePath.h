#pragma once

#include <windows.h>

#include <string>

// The program's names are UTF-8 (with a lone surrogate in its three-byte
// form, see Utf8.h); the system's calls take them wide, and the file calls in
// their long-path form, so that names of any characters and any length
// reach the file system.
namespace pelorin::platform::win32 {

// For text the user reads (messages, captions, list entries): a byte that
// starts no character shows as U+FFFD.
std::wstring Widen(const std::string& text);

std::string Narrow(const std::wstring& text);

// The name resolved against the current folder, "." and ".." taken out,
// every other component kept exactly: a trailing dot or space is not
// dropped as GetFullPathNameW drops it, since "name." (made through "\\?\")
// is another file than "name".
std::wstring FullName(const std::wstring& name);

// The name resolved against the current folder and marked "\\?\" (or
// "\\?\UNC\" for a network name), which lifts the 260-character limit. A
// byte that starts no character becomes '|', which no name may hold, so
// that such a name reaches nothing rather than a file of a similar name.
std::wstring LongPath(const std::string& path);

// Remembers the system's words for a failed call (see LastFailureText).
void RememberFailure(DWORD code);

}  // namespace pelorin::platform::win32
