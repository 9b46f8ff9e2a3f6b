#include "platform/CodePage.h"

#include <windows.h>

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

std::optional<std::string> CodePageFromUtf8(std::string_view utf8, unsigned codePage) {
    if (!IsUtf8(utf8)) return std::nullopt;
    if (codePage == kUtf8CodePage) return std::string(utf8);
    if (utf8.empty()) return std::string();
    const std::u16string wide = Utf16FromUtf8(utf8, u'\uFFFD');
    const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
    const int count = static_cast<int>(wide.size());
    // No flags: some code pages take none. Whether every character has its
    // own form (no closest fit, no default character) is told by the way
    // back.
    const int size = WideCharToMultiByte(codePage, 0, units, count, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::nullopt;
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, units, count, text.data(), size, nullptr, nullptr);
    if (WideOf(text, codePage) != wide) return std::nullopt;
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
