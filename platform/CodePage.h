#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Classic archives keep their names in a Windows code page (their bytes are
// an interface); everything else is UTF-8. These are the conversions
// between the two. Windows converts with the system's own tables (any code
// page it has); Linux knows the single-byte Windows code pages (874 and 1250
// to 1258) and UTF-8 (65001).
namespace pelorin::platform {

inline constexpr unsigned kUtf8CodePage = 65001;
// The code page of the classic archives' home, Western Europe.
inline constexpr unsigned kWesternCodePage = 1252;

// The system's ANSI code page on Windows; on Linux, which has none,
// Windows-1252.
unsigned SystemCodePage();

bool KnowsCodePage(unsigned codePage);

// UTF-8 text in the code page; nothing when a character has no exact form
// there (no closest fits) or the text is not UTF-8.
std::optional<std::string> CodePageFromUtf8(std::string_view utf8, unsigned codePage);

// The same for a secret, written straight into `into` (the caller's locked
// memory): the number of bytes it takes, or into.size() when it would not
// fit; what passes through a buffer of the call's own on the way is
// overwritten before it returns.
std::optional<std::size_t> CodePageFromUtf8Into(std::string_view utf8, unsigned codePage, std::span<std::uint8_t> into);

// Text of the code page as UTF-8. A byte that starts no character there
// (in UTF-8, an ill-formed sequence) becomes a replacement character.
std::string Utf8FromCodePage(std::string_view text, unsigned codePage);

// A name handed in by a caller that may not know that names are UTF-8 (the
// library's exports): UTF-8 is taken as it is; other bytes are text of the
// system's ANSI code page on Windows, and the name's own bytes on Linux,
// where a name is any bytes.
std::string NameFromCallerText(std::string_view text);

}  // namespace pelorin::platform
