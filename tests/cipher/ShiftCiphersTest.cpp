#include <gtest/gtest.h>

#include <vector>

#include "TestHex.h"
#include "cipher/Algorithm.h"
#include "cipher/ShiftCiphers.h"

namespace pelorin {
namespace {

using test::Bytes;
using Data = std::vector<std::uint8_t>;

Data Encrypted(Algorithm algorithm, const Data& key, Data data) {
    MakeGroupCipher(static_cast<int>(algorithm), key)->Encrypt(data);
    return data;
}

TEST(AsciiTest, ZeroGroupWithZeroKeyBecomesPositions) {
    // "aa" XORs to zero: the shift is the position alone.
    EXPECT_EQ(Encrypted(Algorithm::Ascii, Bytes("aa"), Data(8, 0)), (Data{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(AsciiTest, KeyFoldsToOneXorByteAndWrapsModulo256) {
    const Data key = {0x0F, 0xF0, 0x01};  // XOR 0xFE
    AsciiKey folded(key);
    EXPECT_EQ(folded.value(), 0xFE);
    EXPECT_EQ(Encrypted(Algorithm::Ascii, key, Data(16, 0x01)),
              (Data{0xFF, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xFF, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}));
}

TEST(VigenereTest, ThreeByteKeyRestartsWithEveryGroup) {
    const Data key = {10, 20, 30};
    EXPECT_EQ(Encrypted(Algorithm::Vigenere, key, Data(16, 0)),
              (Data{10, 20, 30, 10, 20, 30, 10, 20, 10, 20, 30, 10, 20, 30, 10, 20}));
}

TEST(VigenereTest, OnlyTheFirstEightKeyBytesTakePart) {
    const auto plain = test::TestBytes(64, 5);
    EXPECT_EQ(Encrypted(Algorithm::Vigenere, Bytes("12345678abc"), plain),
              Encrypted(Algorithm::Vigenere, Bytes("12345678xyzzy"), plain));
}

TEST(ShiftCiphersTest, AdditionsWrapAndDecryptionSubtracts) {
    for (Algorithm algorithm : {Algorithm::Ascii, Algorithm::Vigenere}) {
        const auto plain = test::TestBytes(800, 21);
        const Data key = {0xFF, 0x80, 0x7F, 0x01};
        auto data = Encrypted(algorithm, key, plain);
        // Byte-wise reference: every byte shifted on its own, no carries.
        for (std::size_t n = 0; n < plain.size(); ++n) {
            const std::uint8_t shift = algorithm == Algorithm::Ascii
                                           ? static_cast<std::uint8_t>((0xFF ^ 0x80 ^ 0x7F ^ 0x01) + n % 8)
                                           : key[(n % 8) % key.size()];
            ASSERT_EQ(data[n], static_cast<std::uint8_t>(plain[n] + shift)) << n;
        }
        MakeGroupCipher(static_cast<int>(algorithm), key)->Decrypt(data);
        EXPECT_EQ(data, plain);
    }
}

}  // namespace
}  // namespace pelorin
