#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestHex.h"
#include "app_common/SharedRandom.h"
#include "wipe/WipeTestSupport.h"
#include "wipe/sdk/ErrorTexts.h"
#include "wipe/sdk/LibraryState.h"

namespace pelorin {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(MemrandTest, LittleEndianGroupsThenTailBytes) {
    SeedSharedRandom(1);
    Bytes eight(8, 0xAA);
    memrand(eight.data(), 8);
    EXPECT_EQ(test::ToHex(eight), "2900000023480000");  // 41, 18467

    SeedSharedRandom(1);
    Bytes seven(8, 0xAA);
    EXPECT_EQ(memrand(seven.data(), 7), seven.data());
    // 41 as a group; 18467, 6334, 26500 give their low bytes; offset 7 untouched.
    EXPECT_EQ(test::ToHex(seven), "2900000023BE84AA");

    Bytes untouched(4, 0xAA);
    memrand(untouched.data(), 0);
    memrand(untouched.data(), -5);
    EXPECT_EQ(untouched, Bytes(4, 0xAA));
}

TEST(SecureRandTest, SignedLowByteSkippingOutputsThatAre256Mod257) {
    SeedSharedRandom(1);
    EXPECT_EQ(SecureRand(), 41);
    // Find the state whose next output is 256 (= 256 + 257 * 0): it must be
    // passed over. inverse(214013) modulo 2^32, found by Newton's iteration.
    std::uint32_t inverse = kSharedRandomMultiplier;
    for (int i = 0; i < 5; ++i) inverse *= 2 - kSharedRandomMultiplier * inverse;
    const std::uint32_t wanted = 256u << 16;
    SeedSharedRandom((wanted - kSharedRandomIncrement) * inverse);
    // The output after 256: the same state stepped once more.
    const std::uint32_t next = wanted * kSharedRandomMultiplier + kSharedRandomIncrement;
    const int following = static_cast<int>((next >> 16) & 0x7FFF);
    ASSERT_NE(following % 257, 256);
    EXPECT_EQ(SecureRand(), static_cast<signed char>(following & 0xFF));
    for (int i = 0; i < 2000; ++i) {
        const int v = SecureRand();
        ASSERT_GE(v, -128);
        ASSERT_LE(v, 127);
    }
}

TEST(ScrambleMemoryTest, PassesCycleZeroOnesRandom) {
    test::ResetLibrary();
    EXPECT_EQ(ScrambleMemory(nullptr, 10), nullptr);
    Bytes data(64, 0x5A);
    SetMemPasses(0);
    EXPECT_EQ(ScrambleMemory(data.data(), 64), data.data());
    EXPECT_EQ(data, Bytes(64, 0x5A));
    SetMemPasses(2);
    ScrambleMemory(data.data(), 64);
    EXPECT_EQ(data, Bytes(64, 0xFF));
    SetMemPasses(3);
    SeedSharedRandom(1);
    ScrambleMemory(data.data(), 8);
    EXPECT_EQ(test::ToHex(std::span(data).first(8)), "2900000023480000");
    SetMemPasses(10);
    ScrambleMemory(data.data(), 64);
    EXPECT_EQ(data, Bytes(64, 0x00));
}

TEST(ErrorTextTest, TextsAreVerbatimAndTheBufferIsReused) {
    test::ResetLibrary();
    const char* first = GetErrorText(0);
    EXPECT_STREQ(first, "The function has completed successfully");
    const char* second = GetErrorText(13);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "The function was aborted because the ContinueCallback function returned false.");
    // Code 14 came later, for a read-back that differs; the next is unknown.
    EXPECT_STREQ(GetErrorText(14), "The last overwrite pass did not read back from the disk as written, so the wipe "
                                   "cannot be trusted; a file being wiped was kept.");
    EXPECT_STREQ(GetErrorText(15), "ERROR: Unrecognized error code");
    EXPECT_STREQ(GetErrorText(-1), "ERROR: Unrecognized error code");
    EXPECT_STREQ(GetErrorText(7),
                 "The specified drive was in an invalid format (\"x:\\\") or the drive could not be accessed.");
    const std::string newer = GetErrorText(5);
    EXPECT_EQ(newer.rfind("The file has been created with a newer version of Pelorin. Please download the updated "
                          "version from the Tarn6 Software web site at:\n\t",
                          0),
              0u);
    EXPECT_LT(newer.size(), sdk::kErrorTextSize);
    // All 200 bytes are cleared before each text: nothing of a longer text
    // survives behind a shorter one.
    GetErrorText(4);
    const char* shortText = GetErrorText(1);
    for (std::size_t i = std::strlen(shortText); i < sdk::kErrorTextSize; ++i) ASSERT_EQ(shortText[i], 0);
}

TEST(ErrorTextTest, SafeOutsideInitAndKill) {
    KillPelorinSDK();
    EXPECT_STREQ(GetErrorText(8), "The file could not be securely deleted.");
    test::ResetLibrary();
    EXPECT_STREQ(GetErrorText(8), "The file could not be securely deleted.");
}

int CountingProgress(long long, long long, const char*, int) { return 0; }

TEST(LibraryStateTest, InitClearsCallbacksButKeepsPassCounts) {
    EXPECT_EQ(sdk::LibraryState{}.diskPasses, 3);
    EXPECT_EQ(sdk::LibraryState{}.memPasses, 10);
    test::ResetLibrary();
    EXPECT_EQ(SetDiskPasses(7), 7);
    EXPECT_EQ(SetMemPasses(-2), -2);
    SetProgressCallback(CountingProgress, 5);
    KillPelorinSDK();
    InitPelorinSDK();
    EXPECT_EQ(sdk::State().progress, nullptr);
    EXPECT_EQ(sdk::State().progressUser, 0);
    EXPECT_EQ(GetDiskPasses(), 7);
    EXPECT_EQ(GetMemPasses(), -2);
    test::ResetLibrary();
}

}  // namespace
}  // namespace pelorin
