#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Text inside the programs is UTF-8. A Windows name may hold a UTF-16
// surrogate without its partner (the system lets any 16-bit units through);
// such a name is carried with the surrogate in the three-byte form its
// number would have, so that it converts back to the very name the system
// gave and the file can still be reached.
namespace pelorin::platform {

// One character decoded from UTF-8 and the bytes it took.
struct Utf8Character {
    char32_t value = 0;
    std::size_t length = 0;
};

// The character that starts at `at`; nothing for a byte that starts no
// well-formed sequence (a stray continuation byte, an overlong form, a
// number above U+10FFFF, a sequence cut short). A surrogate's three-byte
// form counts only when `surrogates` is true.
std::optional<Utf8Character> Utf8CharacterAt(std::string_view text, std::size_t at, bool surrogates = false);

// Well-formed UTF-8, without surrogates.
bool IsUtf8(std::string_view text);
// The same, surrogates' three-byte forms taken as well: every name a
// Windows program carries.
bool IsUtf8WithSurrogates(std::string_view text);

void AppendUtf8(std::string& text, char32_t character);

// The text with each byte that starts no well-formed sequence (surrogates'
// forms included) replaced by U+FFFD.
std::string Utf8WithReplacements(std::string_view text);

// The UTF-16 of the system's wide calls; each byte that starts no sequence
// becomes `replacement`. A surrogate pair written as two three-byte forms
// comes out as the pair.
std::u16string Utf16FromUtf8(std::string_view text, char16_t replacement);
// UTF-8 of UTF-16 text; a surrogate without its partner keeps its own
// three-byte form.
std::string Utf8FromUtf16(std::u16string_view text);
// The same written straight into `into` (a secret's locked memory); the
// number of bytes, or into.size() when it would not fit.
std::size_t Utf8FromUtf16Into(std::u16string_view text, std::span<std::uint8_t> into);

}  // namespace pelorin::platform
