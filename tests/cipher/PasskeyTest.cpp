#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "cipher/Passkey.h"
#include "platform/SecretInput.h"
#include "support/TempFolder.h"

namespace pelorin {
namespace {

std::string Text(const Passkey& passkey) { return {passkey.c_str(), passkey.size()}; }

// A passkey longer than any archive takes keeps one byte more than the
// longest, so that it is refused rather than cut; cleared, nothing is left.
TEST(PasskeyTest, KeepsTooLongAsTooLongComparesAndClears) {
    Passkey longest(std::string(kMaxModernPasskeyLength, 'x'));
    EXPECT_EQ(longest.size(), kMaxModernPasskeyLength);
    const Passkey tooLong(std::string(5000, 'x'));
    EXPECT_EQ(tooLong.size(), kMaxModernPasskeyLength + 1);
    Passkey typedTwice;
    typedTwice.CopyFrom(longest);
    EXPECT_TRUE(typedTwice.SameAs(longest));
    EXPECT_FALSE(tooLong.SameAs(longest));
    EXPECT_FALSE(Passkey("abc").SameAs(Passkey("abd")));
    const std::uint8_t* bytes = longest.bytes().data();
    longest.Clear();
    EXPECT_TRUE(longest.empty());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), kMaxModernPasskeyLength),
              std::string(kMaxModernPasskeyLength, '\0'));
}

// A file's first line, a byte at a time, NULs kept, its line end dropped;
// a line that does not fit fills the room.
TEST(PasskeyTest, ReadsAFilesFirstLineIntoItsRoom) {
    test::TempFolder folder;
    struct Case {
        std::string content, expected;
    };
    const Case cases[] = {{std::string("pa\0ss\r\nnext\n", 12), std::string("pa\0ss", 5)},
                          {"no line end", "no line end"},
                          {"\nsecond", ""},
                          {std::string(3000, 'y'), std::string(Passkey::kCapacity, 'y')}};
    for (const auto& c : cases) {
        folder.Write("key", {c.content.begin(), c.content.end()});
        Passkey passkey;
        const auto length = platform::ReadFirstLine(folder.Path("key"), passkey.Room());
        ASSERT_TRUE(length.has_value());
        passkey.SetLength(*length);
        EXPECT_EQ(Text(passkey), c.expected);
    }
    Passkey passkey;
    EXPECT_FALSE(platform::ReadFirstLine(folder.Path("missing"), passkey.Room()).has_value());
}

#ifndef _WIN32
// The variable's value is taken and overwritten where the environment held
// it, and the variable is gone.
TEST(PasskeyTest, TakesAnEnvironmentSecretAndScrubsIt) {
    ASSERT_EQ(::setenv("PELORIN_TEST_SECRET", "environment secret", 1), 0);
    const char* held = std::getenv("PELORIN_TEST_SECRET");
    Passkey passkey;
    const auto length = platform::TakeEnvironmentSecret("PELORIN_TEST_SECRET", passkey.Room());
    ASSERT_TRUE(length.has_value());
    passkey.SetLength(*length);
    EXPECT_EQ(Text(passkey), "environment secret");
    EXPECT_EQ(std::getenv("PELORIN_TEST_SECRET"), nullptr);
    EXPECT_EQ(std::strlen(held), 0u);
    EXPECT_FALSE(platform::TakeEnvironmentSecret("PELORIN_TEST_SECRET", passkey.Room()).has_value());
}
#endif

}  // namespace
}  // namespace pelorin
