#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "TestHex.h"
#include "support/NaiveRc4.h"
#include "cipher/Algorithm.h"
#include "cipher/PseudoRc4.h"

namespace pelorin {
namespace {

using test::Bytes;

using test::NaiveKeystream;

std::vector<std::uint8_t> StandardRc4Keystream(std::span<const std::uint8_t> key, std::size_t count) {
    return NaiveKeystream(key, count, true);
}

TEST(PseudoRc4Test, MatchesTheStepByStepGeneratorAcrossManyPeriods) {
    for (const auto& key : {Bytes("k"), Bytes("Key"), test::TestBytes(20, 3), test::TestBytes(127, 4)}) {
        PseudoRc4State state(key);
        const auto expected = NaiveKeystream(key, 3000);
        std::vector<std::uint8_t> got;
        // Single bytes, short runs and a run longer than the period.
        for (int n = 0; n < 5; ++n) got.push_back(state.NextByte());
        for (std::size_t run : {3u, 8u, 700u, 1u, 1283u}) {
            std::vector<std::uint8_t> zeros(run, 0);
            state.Apply(zeros.data(), zeros.size());
            got.insert(got.end(), zeros.begin(), zeros.end());
        }
        while (got.size() < 3000) got.push_back(state.NextByte());
        EXPECT_EQ(got, expected);
    }
}

TEST(PseudoRc4Test, DiffersFromStandardRc4OverAFewHundredBytes) {
    const auto key = Bytes("Secret");
    const auto pseudo = NaiveKeystream(key, 256);
    const auto standard = StandardRc4Keystream(key, 256);
    EXPECT_NE(pseudo, standard);
    // Data encrypted with one does not decrypt with the other.
    auto cipher = MakeGroupCipher(static_cast<int>(Algorithm::PseudoRc4), key);
    std::vector<std::uint8_t> data(256, 0x33);
    cipher->Encrypt(data);
    for (std::size_t n = 0; n < data.size(); ++n) data[n] ^= standard[n];
    EXPECT_NE(data, std::vector<std::uint8_t>(256, 0x33));
}

TEST(PseudoRc4Test, OneByteKeyEqualsThatByteRepeated) {
    PseudoRc4State a(Bytes("z"));
    PseudoRc4State b(Bytes("zzzzzzzzzzzzz"));
    EXPECT_TRUE(std::equal(std::begin(a.schedule().s), std::end(a.schedule().s), std::begin(b.schedule().s)));
}

TEST(PseudoRc4Test, LegacyRestartsEveryGroupCurrentRunsOn) {
    const auto key = Bytes("passkey");
    const auto stream = NaiveKeystream(key, 16);
    std::vector<std::uint8_t> legacy(16, 0), current(16, 0);
    MakeGroupCipher(static_cast<int>(Algorithm::PseudoRc4), key, KeystreamVariant::Legacy)->Encrypt(legacy);
    MakeGroupCipher(static_cast<int>(Algorithm::PseudoRc4), key)->Encrypt(current);
    EXPECT_EQ(current, stream);
    for (int n = 0; n < 16; ++n) EXPECT_EQ(legacy[n], stream[n % 8]) << n;
}

TEST(PseudoRc4Test, StreamCarriesAcrossCallsSoSplittingDoesNotMatter) {
    const auto key = Bytes("split");
    const auto plain = test::TestBytes(4096, 11);
    auto whole = plain;
    MakeGroupCipher(static_cast<int>(Algorithm::PseudoRc4), key)->Encrypt(whole);
    auto pieces = plain;
    auto cipher = MakeGroupCipher(static_cast<int>(Algorithm::PseudoRc4), key);
    std::size_t offset = 0;
    for (std::size_t run : {8u, 1008u, 496u, 2584u}) {
        cipher->Encrypt(std::span(pieces).subspan(offset, run));
        offset += run;
    }
    EXPECT_EQ(pieces, whole);
}

}  // namespace
}  // namespace pelorin
