// BLAKE2b's published answers: RFC 7693 appendix A and entries of the
// designers' keyed known-answer file (key 00..3f, message 00..n-1, 64-byte
// digest), on both sides of the 128-byte block; each given whole and in
// pieces that cut the blocks everywhere.
#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>
#include <vector>

#include "TestHex.h"
#include "cipher/Blake2b.h"

namespace pelorin {
namespace {

using test::Bytes;
using test::FromHex;
using test::ToHex;

std::vector<std::uint8_t> Counting(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    return bytes;
}

struct HashAnswer {
    std::vector<std::uint8_t> key;
    std::vector<std::uint8_t> message;
    const char* digest;
};

const HashAnswer kHashAnswers[] = {
    {{},
     Bytes("abc"),
     "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d1"
     "7d87c5392aab792dc252d5de4533cc9518d38aa8dbf1925ab92386edd4009923"},
    {Counting(64), Counting(0),
     "10ebb67700b1868efb4417987acf4690ae9d972fb7a590c2f02871799aaa4786"
     "b5e996e8f0f4eb981fc214b005f42d2ff4233499391653df7aefcbc13fc51568"},
    {Counting(64), Counting(1),
     "961f6dd1e4dd30f63901690c512e78e4b45e4742ed197c3c5e45c549fd25f2e4"
     "187b0bc9fe30492b16b0d0bc4ef9b0f34c7003fac09a5ef1532e69430234cebd"},
    {Counting(64), Counting(2),
     "da2cfbe2d8409a0f38026113884f84b50156371ae304c4430173d08a99d9fb1b"
     "983164a3770706d537f49e0c916d9f32b95cc37a95b99d857436f0232c88a965"},
    {Counting(64), Counting(3),
     "33d0825dddf7ada99b0e7e307104ad07ca9cfd9692214f1561356315e784f3e5"
     "a17e364ae9dbb14cb2036df932b77f4b292761365fb328de7afdc6d8998f5fc1"},
    {Counting(64), Counting(63),
     "bd965bf31e87d70327536f2a341cebc4768eca275fa05ef98f7f1b71a0351298"
     "de006fba73fe6733ed01d75801b4a928e54231b38e38c562b2e33ea1284992fa"},
    {Counting(64), Counting(64),
     "65676d800617972fbd87e4b9514e1c67402b7a331096d3bfac22f1abb95374ab"
     "c942f16e9ab0ead33b87c91968a6e509e119ff07787b3ef483e1dcdccf6e3022"},
    {Counting(64), Counting(128),
     "72065ee4dd91c2d8509fa1fc28a37c7fc9fa7d5b3f8ad3d0d7a25626b57b1b44"
     "788d4caf806290425f9890a3a2a35a905ab4b37acfd0da6e4517b2525c9651e4"},
    {Counting(64), Counting(255),
     "142709d62e28fcccd0af97fad0f8465b971e82201dc51070faa0372aa43e9248"
     "4be1c1e73ba10906d5d1853db6a4106e0a7bf9800d373d6dee2d46d62ef2a461"},
};

TEST(Blake2bTest, PublishedAnswersWholeAndInPieces) {
    for (const auto& answer : kHashAnswers) {
        SCOPED_TRACE(answer.digest);
        const auto expected = FromHex(answer.digest);
        std::vector<std::uint8_t> digest(expected.size());
        Blake2bDigest(answer.key, answer.message, digest);
        EXPECT_EQ(ToHex(digest), ToHex(expected));
        for (const std::size_t piece : {1u, 7u, 127u, 128u, 129u}) {
            Blake2b hash(expected.size(), answer.key);
            for (std::size_t at = 0; at < answer.message.size(); at += piece) {
                hash.Update(std::span(answer.message).subspan(at, std::min(piece, answer.message.size() - at)));
            }
            hash.Final(digest);
            EXPECT_EQ(ToHex(digest), ToHex(expected)) << piece;
        }
    }
}

TEST(Blake2bTest, RefusesSizesOutsideItsLimitsAndUseAfterFinal) {
    const std::vector<std::uint8_t> longKey(65);
    EXPECT_THROW(Blake2b(0), std::invalid_argument);
    EXPECT_THROW(Blake2b(65), std::invalid_argument);
    EXPECT_THROW(Blake2b(32, longKey), std::invalid_argument);
    Blake2b hash(32);
    std::vector<std::uint8_t> digest(31);
    EXPECT_THROW(hash.Final(digest), std::invalid_argument);
    digest.resize(32);
    hash.Final(digest);
    EXPECT_THROW(hash.Update(digest), std::logic_error);
    EXPECT_THROW(hash.Final(digest), std::logic_error);
}

}  // namespace
}  // namespace pelorin
