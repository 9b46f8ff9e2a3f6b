#include "platform/CodePage.h"

#include <windows.h>

#include <algorithm>

#include "platform/Utf8.h"

namespace pelorin::platform {
namespace {

std::u16string WideOf(std::string_view text, unsigned codePage) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) return {};
    std::u16string wide(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(wide.data()),
                        size);
    return wide;
}

}  // namespace

unsigned SystemCodePage() { return GetACP(); }

bool KnowsCodePage(unsigned codePage) { return codePage == kUtf8CodePage || IsValidCodePage(codePage) != FALSE; }

std::optional<std::size_t> CodePageFromUtf8Into(std::string_view utf8, unsigned codePage, std::span<std::uint8_t> into) {
    if (!IsUtf8(utf8)) return std::nullopt;
    if (codePage == kUtf8CodePage) {
        if (utf8.size() > into.size()) return into.size();
        std::copy(utf8.begin(), utf8.end(), into.begin());
        return utf8.size();
    }
    if (utf8.empty()) return 0;
    std::u16string wide = Utf16FromUtf8(utf8, u'\uFFFD');
    std::u16string back;
    const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
    const int count = static_cast<int>(wide.size());
    // No flags: some code pages take none. Whether every character has its
    // own form (no closest fit, no default character) is told by the way
    // back.
    std::optional<std::size_t> result;
    const int size = WideCharToMultiByte(codePage, 0, units, count, nullptr, 0, nullptr, nullptr);
    if (size > 0 && static_cast<std::size_t>(size) > into.size()) {
        result = into.size();
    } else if (size > 0) {
        auto* text = reinterpret_cast<char*>(into.data());
        WideCharToMultiByte(codePage, 0, units, count, text, size, nullptr, nullptr);
        back = WideOf(std::string_view(text, static_cast<std::size_t>(size)), codePage);
        if (back == wide) {
            result = static_cast<std::size_t>(size);
        } else {
            SecureZeroMemory(into.data(), static_cast<std::size_t>(size));
        }
    }
    SecureZeroMemory(wide.data(), wide.size() * sizeof(char16_t));
    SecureZeroMemory(back.data(), back.size() * sizeof(char16_t));
    return result;
}

std::optional<std::string> CodePageFromUtf8(std::string_view utf8, unsigned codePage) {
    // No code page takes more bytes for a character than UTF-8.
    std::string text(utf8.size() + 1, '\0');
    const auto length =
        CodePageFromUtf8Into(utf8, codePage, std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size()));
    if (!length) return std::nullopt;
    text.resize(*length);
    return text;
}

std::string Utf8FromCodePage(std::string_view text, unsigned codePage) {
    if (codePage == kUtf8CodePage) return Utf8WithReplacements(text);
    return Utf8FromUtf16(WideOf(text, codePage));
}

std::string NameFromCallerText(std::string_view text) {
    if (IsUtf8WithSurrogates(text)) return std::string(text);
    return Utf8FromCodePage(text, GetACP());
}

}  // namespace pelorin::platform
