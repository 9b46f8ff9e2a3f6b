// UTF-8 inside, UTF-16 at the Windows calls, a Windows code page in classic
// archives: the conversions between them. Run natively and under Wine,
// where the code pages are the system's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/CodePageTables.h"
#include "platform/Utf8.h"

namespace pelorin::platform {
namespace {

TEST(Utf8, OnlyWellFormedSequencesAreCharacters) {
    struct Case {
        std::string bytes;
        bool utf8;
        bool withSurrogates;
    };
    const std::vector<Case> cases = {
        {"plain ASCII", true, true},
        {"caf\xc3\xa9 \xe2\x82\xac \xe6\x97\xa5 \xf0\x9f\x98\x80", true, true},
        {"\xed\xa0\x80", false, true},          // a lone lead surrogate
        {"\xed\xbf\xbf", false, true},          // a lone trail surrogate
        {"\xc0\xae\xc0\xae", false, false},     // ".." written overlong
        {"\xe0\x80\xaf", false, false},         // '/' written overlong in three bytes
        {"\xf0\x80\x80\xaf", false, false},     // and in four
        {"\xf4\x90\x80\x80", false, false},     // above U+10FFFF
        {"\xf5\x80\x80\x80", false, false},
        {"\x80", false, false},                 // a stray continuation byte
        {"\xe2\x82", false, false},             // cut short
        {"\xe2\x28\xa1", false, false},         // a continuation missing
        {"caf\xe9", false, false},              // Windows-1252, not UTF-8
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUtf8(c.bytes), c.utf8) << testing::PrintToString(c.bytes);
        EXPECT_EQ(IsUtf8WithSurrogates(c.bytes), c.withSurrogates) << testing::PrintToString(c.bytes);
    }
}

// Every name the system's wide calls give comes back unchanged, a
// surrogate without its partner included; bytes that start no character
// become the replacement the caller asks for.
TEST(Utf8, WideNamesRoundTripEvenWithLoneSurrogates) {
    const std::vector<std::u16string> names = {
        u"", u"a.txt", u"caf\u00e9 \u20ac", u"\u65e5\u672c\u8a9e", u"\u03a9\u03bc\u03ad\u03b3\u03b1",
        u"smile \U0001F600", std::u16string(u"lone \xD800 lead"), std::u16string(u"lone \xDC00 trail"),
        std::u16string(u"\xDC00\xD800 reversed"), std::u16string(u"ends \xD83D"),
    };
    for (const auto& name : names) {
        const std::string utf8 = Utf8FromUtf16(name);
        EXPECT_TRUE(IsUtf8WithSurrogates(utf8));
        EXPECT_EQ(Utf16FromUtf8(utf8, u'|'), name);
    }
    EXPECT_EQ(Utf8FromUtf16(u"\U0001F600"), "\xf0\x9f\x98\x80");
    EXPECT_EQ(Utf8FromUtf16(std::u16string(1, u'\xD800')), "\xed\xa0\x80");
    EXPECT_EQ(Utf16FromUtf8("a\xc0\xae" "b\xe2\x82", u'|'), u"a||b||");
    EXPECT_EQ(Utf8WithReplacements("a\xc0z\xed\xa0\x80"), "a\xef\xbf\xbdz\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
}

// Names as classic archives keep them, byte for byte, and what a code page
// cannot hold exactly: no closest fits, no composing, nothing that is not
// UTF-8.
TEST(CodePage, ClassicNamesConvertExactlyOrNotAtAll) {
    struct Case {
        unsigned codePage;
        std::string utf8;
        std::string stored;
    };
    const std::vector<Case> exact = {
        {1252, "caf\xc3\xa9 \xc3\xbc \xe2\x82\xac.txt", "caf\xe9 \xfc \x80.txt"},
        {1252, "\xc5\x93\xc5\xb8\xe2\x84\xa2", "\x9c\x9f\x99"},
        {1250, "\xc5\x81\xc3\xb3\xc4\x91\xc5\xba", "\xa3\xf3\xf0\x9f"},
        {1251, "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82", "\xcf\xf0\xe8\xe2\xe5\xf2"},
        {1253, "\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1", "\xd9\xec\xdd\xe3\xe1"},
        {kUtf8CodePage, "\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac"},
    };
    for (const auto& c : exact) {
        EXPECT_EQ(CodePageFromUtf8(c.utf8, c.codePage), c.stored) << c.codePage << " " << c.utf8;
        EXPECT_EQ(Utf8FromCodePage(c.stored, c.codePage), c.utf8) << c.codePage;
    }
    const std::vector<Case> refused = {
        {1252, "\xe6\x97\xa5\xe6\x9c\xac.txt", ""},       // Japanese
        {1252, "\xce\xa9", ""},                           // Greek
        {1252, "\xc4\x81", ""},                           // a-macron, whose closest fit would be 'a'
        {1252, "cafe\xcc\x81", ""},                       // 'e' and a combining accent, not composed
        {1252, "caf\xe9", ""},                            // not UTF-8
        {1252, "\xed\xa0\x80", ""},                       // a lone surrogate's form
        {1251, "\xc3\xa9", ""},
        {kUtf8CodePage, "\xc0\xae", ""},
    };
    for (const auto& c : refused) EXPECT_FALSE(CodePageFromUtf8(c.utf8, c.codePage)) << c.codePage << " " << c.utf8;
    EXPECT_EQ(Utf8FromCodePage("\xc0\xae", kUtf8CodePage), "\xef\xbf\xbd\xef\xbf\xbd");
}

// Each byte of each single-byte Windows code page is the character its
// table gives (on Windows: the system's conversion agrees with the table the
// Linux tool uses) and converts back to itself.
TEST(CodePage, EveryByteOfTheSingleByteCodePagesRoundTrips) {
    for (const auto& page : kSingleByteCodePages) {
        ASSERT_TRUE(KnowsCodePage(page.number));
        for (unsigned byte = 0; byte < 256; ++byte) {
            const std::string stored(1, static_cast<char>(byte));
            std::string expected;
            AppendUtf8(expected, byte < 0x80 ? char32_t{byte} : char32_t{page.upper[byte - 0x80]});
            EXPECT_EQ(Utf8FromCodePage(stored, page.number), expected) << page.number << " byte " << byte;
            EXPECT_EQ(CodePageFromUtf8(expected, page.number), stored) << page.number << " byte " << byte;
        }
    }
    EXPECT_TRUE(KnowsCodePage(kUtf8CodePage));
}

}  // namespace
}  // namespace pelorin::platform
