#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_common/SharedRandom.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"
#include "platform/Clock.h"

namespace pelorin {
namespace {

// The bytes ScrambleBuffer writes when the clock read `seconds`: the last
// pass wins.
std::vector<std::uint8_t> ExpectedScramble(std::uint32_t seconds, std::size_t length, int passes) {
    SeedSharedRandom(seconds);
    std::vector<std::uint8_t> out(length);
    for (int pass = 0; pass < passes; ++pass) {
        for (auto& b : out) b = static_cast<std::uint8_t>(NextSharedRandom());
    }
    return out;
}

TEST(ScrambleTest, BufferGetsLastPassOfClockSeededSequence) {
    for (int passes : {1, 2, 10}) {
        std::vector<std::uint8_t> buffer(37, 0xAA);
        const auto before = platform::CurrentTimeSeconds();
        ScrambleBuffer(buffer.data(), buffer.size(), passes);
        const auto after = platform::CurrentTimeSeconds();
        EXPECT_TRUE(buffer == ExpectedScramble(before, 37, passes) || buffer == ExpectedScramble(after, 37, passes))
            << "passes " << passes;
    }
}

TEST(ScrambleTest, NullBufferIsLeftAloneAndZeroPassesWriteNothing) {
    ScrambleBuffer(nullptr, 100, 10);
    std::vector<std::uint8_t> buffer(8, 0x5A);
    ScrambleBuffer(buffer.data(), buffer.size(), 0);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(8, 0x5A));
}

TEST(ScrambleTest, StringIsOverwrittenAndCutAtFirstZero) {
    // The text becomes the 10th pass of the clock-seeded sequence, cut
    // before the first zero byte that pass happened to write.
    std::string text(64, 'p');
    const auto before = platform::CurrentTimeSeconds();
    ScrambleString(text);
    const auto after = platform::CurrentTimeSeconds();
    bool matched = false;
    for (auto seconds : {before, after}) {
        const auto expected = ExpectedScramble(seconds, 64, kStringScrubPasses);
        std::string full(expected.begin(), expected.end());
        const std::string cut = full.substr(0, full.find('\0'));
        matched = matched || text == cut;
    }
    EXPECT_TRUE(matched);
}

TEST(SecureBufferTest, HoldsCopyMovesOwnershipAndReleasesToEmpty) {
    const std::vector<std::uint8_t> secret = {1, 2, 3, 4, 5};
    SecureBuffer a(secret, kKeyScrubPasses);
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(std::vector<std::uint8_t>(a.bytes().begin(), a.bytes().end()), secret);
    SecureBuffer b = std::move(a);
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(b.size(), 5u);
    EXPECT_EQ(b.scrubPasses(), kKeyScrubPasses);
    b.Release();
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.data(), nullptr);
}

TEST(SecureBufferTest, ScrubOverwritesWithTheScrambleSequence) {
    const std::vector<std::uint8_t> secret(64, 0x11);
    SecureBuffer buffer(secret, kDataScrubPasses);
    const auto before = platform::CurrentTimeSeconds();
    buffer.Scrub();
    const auto after = platform::CurrentTimeSeconds();
    const std::vector<std::uint8_t> now(buffer.bytes().begin(), buffer.bytes().end());
    EXPECT_TRUE(now == ExpectedScramble(before, 64, kDataScrubPasses) ||
                now == ExpectedScramble(after, 64, kDataScrubPasses));
}

}  // namespace
}  // namespace pelorin
