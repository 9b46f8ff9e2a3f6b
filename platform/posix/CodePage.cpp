#include "platform/CodePage.h"

#include "platform/CodePageTables.h"
#include "platform/Utf8.h"

namespace pelorin::platform {

unsigned SystemCodePage() { return kWesternCodePage; }

bool KnowsCodePage(unsigned codePage) {
    return codePage == kUtf8CodePage || FindSingleByteCodePage(codePage) != nullptr;
}

std::optional<std::size_t> CodePageFromUtf8Into(std::string_view utf8, unsigned codePage, std::span<std::uint8_t> into) {
    if (!IsUtf8(utf8)) return std::nullopt;
    const SingleByteCodePage* page = FindSingleByteCodePage(codePage);
    if (page == nullptr && codePage != kUtf8CodePage) return std::nullopt;
    std::size_t length = 0;
    const auto put = [&](std::uint8_t byte) {
        if (length == into.size()) return false;
        into[length++] = byte;
        return true;
    };
    for (std::size_t at = 0; at < utf8.size();) {
        const auto character = Utf8CharacterAt(utf8, at);
        if (page == nullptr || character->value < 0x80) {
            // UTF-8 itself, or ASCII, which every one of the code pages keeps.
            for (std::size_t i = 0; i < character->length; ++i) {
                if (!put(static_cast<std::uint8_t>(utf8[at + i]))) return into.size();
            }
        } else {
            std::size_t upper = 0;
            while (upper < 128 && page->upper[upper] != character->value) ++upper;
            if (upper == 128) return std::nullopt;
            if (!put(static_cast<std::uint8_t>(0x80 + upper))) return into.size();
        }
        at += character->length;
    }
    return length;
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
