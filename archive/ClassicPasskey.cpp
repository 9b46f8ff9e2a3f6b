#include "archive/ClassicPasskey.h"

#include <string_view>
#include <utility>

#include "archive/EntryNames.h"
#include "platform/CodePage.h"
#include "platform/Utf8.h"

namespace pelorin::archive {

ClassicPasskey UseClassicPasskey(Passkey& passkey, Passkey* asGiven) {
    const auto bytes = passkey.bytes();
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!platform::IsUtf8(text)) return ClassicPasskey::AsGiven;
    Passkey converted;
    const auto length = platform::CodePageFromUtf8Into(text, ClassicNameCodePage(), converted.Room());
    if (!length) return ClassicPasskey::OutsideCodePage;
    converted.SetLength(*length);
    if (converted.SameAs(passkey)) return ClassicPasskey::AsGiven;
    if (asGiven != nullptr) *asGiven = std::move(passkey);
    passkey = std::move(converted);
    return ClassicPasskey::Converted;
}

}  // namespace pelorin::archive
