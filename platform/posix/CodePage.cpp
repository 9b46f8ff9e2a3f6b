#include "platform/CodePage.h"

#include "platform/CodePageTables.h"
#include "platform/Utf8.h"

namespace pelorin::platform {

unsigned SystemCodePage() { return kWesternCodePage; }

bool KnowsCodePage(unsigned codePage) {
    return codePage == kUtf8CodePage || FindSingleByteCodePage(codePage) != nullptr;
}

std::optional<std::string> CodePageFromUtf8(std::string_view utf8, unsigned codePage) {
    if (!IsUtf8(utf8)) return std::nullopt;
    if (codePage == kUtf8CodePage) return std::string(utf8);
    const SingleByteCodePage* page = FindSingleByteCodePage(codePage);
    if (page == nullptr) return std::nullopt;
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const auto character = Utf8CharacterAt(utf8, at);
        at += character->length;
        if (character->value < 0x80) {
            text += static_cast<char>(character->value);
            continue;
        }
        std::size_t byte = 0;
        while (byte < 128 && page->upper[byte] != character->value) ++byte;
        if (byte == 128) return std::nullopt;
        text += static_cast<char>(0x80 + byte);
    }
    return text;
}

std::string Utf8FromCodePage(std::string_view text, unsigned codePage) {
    const SingleByteCodePage* page = FindSingleByteCodePage(codePage);
    if (page == nullptr) return Utf8WithReplacements(text);
    std::string utf8;
    utf8.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(utf8, byte < 0x80 ? char32_t{byte} : char32_t{page->upper[byte - 0x80]});
    }
    return utf8;
}

std::string NameFromCallerText(std::string_view text) { return std::string(text); }

}  // namespace pelorin::platform
