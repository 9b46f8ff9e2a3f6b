// Feeds arbitrary bytes to the conversions between UTF-8, the UTF-16 of the
// Windows calls and the code pages of classic archives' names: each gives
// well-formed text, and what converts exactly converts back to the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/CodePageTables.h"
#include "platform/Utf8.h"

using namespace pelorin::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Stored names of a classic archive, in each code page.
    for (const auto& page : kSingleByteCodePages) {
        const std::string utf8 = Utf8FromCodePage(bytes, page.number);
        if (!IsUtf8(utf8) || CodePageFromUtf8(utf8, page.number) != bytes) std::abort();
    }
    const std::string utf8 = Utf8FromCodePage(bytes, kUtf8CodePage);
    if (!IsUtf8(utf8) || (IsUtf8(bytes) && utf8 != bytes)) std::abort();
    // Names on their way to the system and back.
    const std::u16string wide = Utf16FromUtf8(bytes, u'|');
    const std::string back = Utf8FromUtf16(wide);
    if (!IsUtf8WithSurrogates(back) || (IsUtf8(bytes) && back != bytes)) std::abort();
    if (Utf16FromUtf8(back, u'|') != wide) std::abort();
    // Whatever the system's wide calls give (any 16-bit units) comes back.
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    if (Utf16FromUtf8(Utf8FromUtf16(units), u'|') != units) std::abort();
    return 0;
}
