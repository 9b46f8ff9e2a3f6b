#include "platform/Utf8.h"

namespace pelorin::platform {
namespace {

constexpr char32_t kLargest = 0x10FFFF;
constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsLeadSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsTrailSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsValid(std::string_view text, bool surrogates) {
    for (std::size_t at = 0; at < text.size();) {
        const auto character = Utf8CharacterAt(text, at, surrogates);
        if (!character) return false;
        at += character->length;
    }
    return true;
}

}  // namespace

std::optional<Utf8Character> Utf8CharacterAt(std::string_view text, std::size_t at, bool surrogates) {
    if (at >= text.size()) return std::nullopt;
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byteAt(at);
    if (lead < 0x80) return Utf8Character{lead, 1};
    // C0 and C1 could only start overlong forms; F5 and up numbers above
    // U+10FFFF.
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4                                 ? 4
                                                                                              : 0;
    if (length == 0 || text.size() - at < length) return std::nullopt;
    char32_t value = lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned next = byteAt(at + i);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        value = value << 6 | (next & 0x3Fu);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > kLargest) return std::nullopt;
    if (IsSurrogate(value) && !surrogates) return std::nullopt;
    return Utf8Character{value, length};
}

bool IsUtf8(std::string_view text) { return IsValid(text, false); }

bool IsUtf8WithSurrogates(std::string_view text) { return IsValid(text, true); }

void AppendUtf8(std::string& text, char32_t c) {
    const auto put = [&](unsigned byte) { text += static_cast<char>(byte); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | c >> 6);
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | c >> 12);
        put(0x80 | (c >> 6 & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | c >> 18);
        put(0x80 | (c >> 12 & 0x3F));
        put(0x80 | (c >> 6 & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

std::string Utf8WithReplacements(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto character = Utf8CharacterAt(text, at);
        if (!character) {
            AppendUtf8(out, kReplacementCharacter);
            ++at;
            continue;
        }
        out.append(text.substr(at, character->length));
        at += character->length;
    }
    return out;
}

std::u16string Utf16FromUtf8(std::string_view text, char16_t replacement) {
    std::u16string wide;
    wide.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto character = Utf8CharacterAt(text, at, true);
        if (!character) {
            wide += replacement;
            ++at;
            continue;
        }
        const char32_t c = character->value;
        if (c < 0x10000) {
            wide += static_cast<char16_t>(c);
        } else {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        at += character->length;
    }
    return wide;
}

namespace {

// Each character of UTF-16 text in turn; a surrogate without its partner
// stands for itself.
template <class Take>
void EachCharacter(std::u16string_view text, Take take) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        char32_t c = text[at];
        if (IsLeadSurrogate(c) && at + 1 < text.size() && IsTrailSurrogate(text[at + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[at + 1] - 0xDC00);
            ++at;
        }
        take(c);
    }
}

}  // namespace

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    EachCharacter(text, [&](char32_t c) { AppendUtf8(utf8, c); });
    return utf8;
}

std::size_t Utf8FromUtf16Into(std::u16string_view text, std::span<std::uint8_t> into) {
    std::size_t length = 0;
    bool fits = true;
    EachCharacter(text, [&](char32_t c) {
        char bytes[4];
        const std::size_t count = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        const char32_t marks[] = {0, 0, 0xC0, 0xE0, 0xF0};
        for (std::size_t i = count; i-- > 1; c >>= 6) bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
        bytes[0] = static_cast<char>(count == 1 ? c : (marks[count] | c));
        if (!fits || into.size() - length < count) {
            fits = false;
        } else {
            for (std::size_t i = 0; i < count; ++i) into[length++] = static_cast<std::uint8_t>(bytes[i]);
        }
        for (char& byte : bytes) byte = 0;
    });
    return fits ? length : into.size();
}

}  // namespace pelorin::platform
