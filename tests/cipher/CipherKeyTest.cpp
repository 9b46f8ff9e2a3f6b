#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "TestHex.h"
#include "cipher/Algorithm.h"
#include "cipher/CipherKey.h"
#include "cipher/Scramble.h"
#include "cipher/Sha1.h"

namespace pelorin {
namespace {

using test::Bytes;
using test::ToHex;

const EntrySalt kSalt = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

TEST(CipherKeyTest, HashedKeyIsDigestOfSaltThenPasskey) {
    const CipherKey key(Bytes("pass"), kSalt, PasskeyHashing::On, kKeyScrubPasses);
    std::vector<std::uint8_t> message(kSalt.begin(), kSalt.end());
    for (char c : std::string("pass")) message.push_back(static_cast<std::uint8_t>(c));
    EXPECT_EQ(key.length(), 20);
    EXPECT_EQ(ToHex(key.bytes()), ToHex(Sha1(message)));
}

TEST(CipherKeyTest, UnhashedKeyIsPasskeyXorSaltCycled) {
    const auto passkey = Bytes("ten bytes!ab");
    const CipherKey key(passkey, kSalt, PasskeyHashing::Off, kKeyScrubPasses);
    ASSERT_EQ(key.length(), 12);
    for (std::size_t i = 0; i < passkey.size(); ++i) {
        EXPECT_EQ(key.bytes()[i], passkey[i] ^ kSalt[i % 8]) << i;
    }
}

TEST(CipherKeyTest, LengthIsASigned8BitCountUpTo127) {
    const std::string longest(kMaxPasskeyLength, 'x');
    CipherKey key(Bytes(longest), kKeyScrubPasses);
    EXPECT_EQ(key.length(), 127);
    const std::string tooLong(kMaxPasskeyLength + 1, 'x');
    EXPECT_THROW(CipherKey(Bytes(tooLong), kKeyScrubPasses), std::length_error);
    EXPECT_THROW(CipherKey(Bytes(tooLong), kSalt, PasskeyHashing::On, kKeyScrubPasses), std::length_error);
}

TEST(CipherKeyTest, HashingLetsAOneCharacterPasskeyDriveIdea) {
    const CipherKey key(Bytes("a"), kSalt, PasskeyHashing::On, kKeyScrubPasses);
    auto cipher = MakeGroupCipher(static_cast<int>(Algorithm::Idea), key.bytes());
    ASSERT_NE(cipher, nullptr);
    std::vector<std::uint8_t> data(16, 7);
    cipher->Encrypt(data);
    cipher->Decrypt(data);
    EXPECT_EQ(data, std::vector<std::uint8_t>(16, 7));
}

TEST(CipherKeyTest, SaltChangesTheCiphertextWithHashingOff) {
    const auto passkey = Bytes("0123456789abcdef");
    EntrySalt other = kSalt;
    other[3] ^= 0x80;  // not a DES parity bit
    std::vector<std::vector<std::uint8_t>> results;
    for (const auto& salt : {kSalt, other}) {
        const CipherKey key(passkey, salt, PasskeyHashing::Off, kKeyScrubPasses);
        auto cipher = MakeGroupCipher(static_cast<int>(Algorithm::Des), key.bytes());
        std::vector<std::uint8_t> data(8, 0x42);
        cipher->Encrypt(data);
        results.push_back(data);
    }
    EXPECT_NE(results[0], results[1]);
}

}  // namespace
}  // namespace pelorin
