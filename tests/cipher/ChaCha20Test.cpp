// ChaCha20's published answers (RFC 8439 sections 2.3.2, 2.4.2 and
// appendix A.1, A.2, A.4) through every variant this processor runs, and the
// variants against one another where the published messages are too short to
// reach the eight-block groups.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "TestHex.h"
#include "cipher/ChaCha20.h"
#include "cipher/Rfc8439Texts.h"

namespace pelorin {
namespace {

using test::Bytes;
using test::FromHex;
using test::TestBytes;
using test::ToHex;

struct StreamAnswer {
    const char* name;
    const char* key;
    const char* nonce;
    std::uint32_t counter;
    std::vector<std::uint8_t> plain;
    const char* cipher;  // for a zero plaintext: the keystream
};

const char* const kCountingKey = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";
const char* const kZeroKey = "0000000000000000000000000000000000000000000000000000000000000000";
const char* const kOneKey = "0000000000000000000000000000000000000000000000000000000000000001";
const char* const kJabberwockyKey = "1c9240a5eb55d38af333888604f6b5f0473917c1402b80099dca5cbc207075c0";

const std::vector<StreamAnswer> kStreamAnswers = {
    {"2.3.2 block", kCountingKey, "000000090000004a00000000", 1, std::vector<std::uint8_t>(64),
     "10f1e7e4d13b5915500fdd1fa32071c4c7d1f4c733c068030422aa9ac3d46c4e"
     "d2826446079faa0914c2d705d98b02a2b5129cd1de164eb9cbd083e8a2503c4e"},
    {"2.4.2 sunscreen", kCountingKey, "000000000000004a00000000", 1, Bytes(test::kSunscreen),
     "6e2e359a2568f98041ba0728dd0d6981e97e7aec1d4360c20a27afccfd9fae0b"
     "f91b65c5524733ab8f593dabcd62b3571639d624e65152ab8f530c359f0861d8"
     "07ca0dbf500d6a6156a38e088a22b65e52bc514d16ccf806818ce91ab7793736"
     "5af90bbf74a35be6b40b8eedf2785e42874d"},
    {"A.1 #1", kZeroKey, "000000000000000000000000", 0, std::vector<std::uint8_t>(64),
     "76b8e0ada0f13d90405d6ae55386bd28bdd219b8a08ded1aa836efcc8b770dc7"
     "da41597c5157488d7724e03fb8d84a376a43b8f41518a11cc387b669b2ee6586"},
    {"A.1 #2", kZeroKey, "000000000000000000000000", 1, std::vector<std::uint8_t>(64),
     "9f07e7be5551387a98ba977c732d080dcb0f29a048e3656912c6533e32ee7aed"
     "29b721769ce64e43d57133b074d839d531ed1f28510afb45ace10a1f4b794d6f"},
    {"A.1 #3", kOneKey, "000000000000000000000000", 1, std::vector<std::uint8_t>(64),
     "3aeb5224ecf849929b9d828db1ced4dd832025e8018b8160b82284f3c949aa5a"
     "8eca00bbb4a73bdad192b5c42f73f2fd4e273644c8b36125a64addeb006c13a0"},
    {"A.1 #4", "00ff000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", 2,
     std::vector<std::uint8_t>(64),
     "72d54dfbf12ec44b362692df94137f328fea8da73990265ec1bbbea1ae9af0ca"
     "13b25aa26cb4a648cb9b9d1be65b2c0924a66c54d545ec1b7374f4872e99f096"},
    {"A.1 #5", kZeroKey, "000000000000000000000002", 0, std::vector<std::uint8_t>(64),
     "c2c64d378cd536374ae204b9ef933fcd1a8b2288b3dfa49672ab765b54ee27c7"
     "8a970e0e955c14f3a88e741b97c286f75f8fc299e8148362fa198a39531bed6d"},
    {"A.2 #2", kOneKey, "000000000000000000000002", 1, Bytes(test::kIetfSubmission),
     "a3fbf07df3fa2fde4f376ca23e82737041605d9f4f4f57bd8cff2c1d4b7955ec"
     "2a97948bd3722915c8f3d337f7d370050e9e96d647b7c39f56e031ca5eb6250d"
     "4042e02785ececfa4b4bb5e8ead0440e20b6e8db09d881a7c6132f420e527950"
     "42bdfa7773d8a9051447b3291ce1411c680465552aa6c405b7764d5e87bea85a"
     "d00f8449ed8f72d0d662ab052691ca66424bc86d2df80ea41f43abf937d3259d"
     "c4b2d0dfb48a6c9139ddd7f76966e928e635553ba76c5c879d7b35d49eb2e62b"
     "0871cdac638939e25e8a1e0ef9d5280fa8ca328b351c3c765989cbcf3daa8b6c"
     "cc3aaf9f3979c92b3720fc88dc95ed84a1be059c6499b9fda236e7e818b04b0b"
     "c39c1e876b193bfe5569753f88128cc08aaa9b63d1a16f80ef2554d7189c411f"
     "5869ca52c5b83fa36ff216b9c1d30062bebcfd2dc5bce0911934fda79a86f6e6"
     "98ced759c3ff9b6477338f3da4f9cd8514ea9982ccafb341b2384dd902f3d1ab"
     "7ac61dd29c6f21ba5b862f3730e37cfdc4fd806c22f221"},
    {"A.2 #3", kJabberwockyKey, "000000000000000000000002", 42, Bytes(test::kJabberwocky),
     "62e6347f95ed87a45ffae7426f27a1df5fb69110044c0d73118effa95b01e5cf"
     "166d3df2d721caf9b21e5fb14c616871fd84c54f9d65b283196c7fe4f60553eb"
     "f39c6402c42234e32a356b3e764312a61a5532055716ead6962568f87d3f3f77"
     "04c6a8d1bcd1bf4d50d6154b6da731b187b58dfd728afa36757a797ac188d1"},
};

// Block function outputs, whole or (A.4, the AEAD's Poly1305 keys) their
// first 32 bytes.
struct BlockAnswer {
    const char* key;
    const char* nonce;
    std::uint32_t counter;
    const char* prefix;
};

const BlockAnswer kBlockAnswers[] = {
    {kCountingKey, "000000090000004a00000000", 1,
     "10f1e7e4d13b5915500fdd1fa32071c4c7d1f4c733c068030422aa9ac3d46c4e"
     "d2826446079faa0914c2d705d98b02a2b5129cd1de164eb9cbd083e8a2503c4e"},
    {"808182838485868788898a8b8c8d8e8f909192939495969798999a9b9c9d9e9f", "000000000001020304050607", 0,
     "8ad5a08b905f81cc815040274ab29471a833b637e3fd0da508dbb8e2fdd1a646"},
    {kZeroKey, "000000000000000000000000", 0, "76b8e0ada0f13d90405d6ae55386bd28bdd219b8a08ded1aa836efcc8b770dc7"},
    {kOneKey, "000000000000000000000002", 0, "ecfa254f845f647473d3cb140da9e87606cb33066c447b87bc2666dde3fbb739"},
    {kJabberwockyKey, "000000000000000000000002", 0,
     "965e3bc6f9ec7ed9560808f4d229f94b137ff275ca9b3fcbdd59deaad23310ae"},
};

ChaCha20Key KeyOf(const std::vector<std::uint8_t>& key) { return ChaCha20Key(key.data(), kChaCha20KeySize); }
ChaCha20Nonce NonceOf(const std::vector<std::uint8_t>& nonce) { return ChaCha20Nonce(nonce.data(), kChaCha20NonceSize); }

TEST(ChaCha20Test, PublishedAnswersInEveryVariantInAndOutOfPlace) {
    ASSERT_FALSE(SupportedChaCha20Variants().empty());
    EXPECT_EQ(SupportedChaCha20Variants().back(), ChosenChaCha20Variant());
    for (const ChaCha20Variant variant : SupportedChaCha20Variants()) {
        for (const auto& answer : kStreamAnswers) {
            SCOPED_TRACE(std::string(ChaCha20VariantName(variant)) + " " + answer.name);
            const auto key = FromHex(answer.key);
            const auto nonce = FromHex(answer.nonce);
            std::vector<std::uint8_t> out(answer.plain.size());
            ChaCha20Xor(variant, KeyOf(key), NonceOf(nonce), answer.counter, answer.plain, out);
            EXPECT_EQ(ToHex(out), ToHex(FromHex(answer.cipher)));
            ChaCha20Xor(variant, KeyOf(key), NonceOf(nonce), answer.counter, out, out);
            EXPECT_EQ(ToHex(out), ToHex(answer.plain));
        }
    }
    for (const auto& answer : kBlockAnswers) {
        const auto key = FromHex(answer.key);
        const auto nonce = FromHex(answer.nonce);
        const auto expected = FromHex(answer.prefix);
        std::uint8_t block[kChaCha20BlockSize];
        ChaCha20Block(KeyOf(key), NonceOf(nonce), answer.counter, block);
        EXPECT_EQ(ToHex(std::span(block).first(expected.size())), ToHex(expected)) << answer.prefix;
    }
}

// Lengths around the four- and eight-block groups, in one call and cut at
// block boundaries with the counter carried on: every variant gives the
// portable bytes.
TEST(ChaCha20Test, VariantsAgreeAcrossGroupsAndCuts) {
    const auto key = TestBytes(32, 1);
    const auto nonce = TestBytes(12, 2);
    for (const std::size_t length : {0u, 1u, 63u, 64u, 65u, 255u, 256u, 257u, 511u, 512u, 513u, 767u, 1024u, 4177u}) {
        const auto plain = TestBytes(length, static_cast<std::uint32_t>(length));
        std::vector<std::uint8_t> expected(length);
        ChaCha20Xor(ChaCha20Variant::Portable, KeyOf(key), NonceOf(nonce), 7, plain, expected);
        for (const ChaCha20Variant variant : SupportedChaCha20Variants()) {
            SCOPED_TRACE(std::string(ChaCha20VariantName(variant)) + " " + std::to_string(length));
            std::vector<std::uint8_t> whole(length);
            ChaCha20Xor(variant, KeyOf(key), NonceOf(nonce), 7, plain, whole);
            EXPECT_EQ(ToHex(whole), ToHex(expected));
            const std::size_t cut = length / 2 / kChaCha20BlockSize * kChaCha20BlockSize;
            std::vector<std::uint8_t> pieces(length);
            ChaCha20Xor(variant, KeyOf(key), NonceOf(nonce), 7, std::span(plain).first(cut), std::span(pieces).first(cut));
            ChaCha20Xor(variant, KeyOf(key), NonceOf(nonce), static_cast<std::uint32_t>(7 + cut / kChaCha20BlockSize),
                        std::span(plain).subspan(cut), std::span(pieces).subspan(cut));
            EXPECT_EQ(ToHex(pieces), ToHex(expected));
        }
    }
}

TEST(ChaCha20Test, RefusesAWrappingCounterAndMismatchedBuffers) {
    const auto key = TestBytes(32, 3);
    const auto nonce = TestBytes(12, 4);
    std::vector<std::uint8_t> data(130);
    // The last counter value still gives one block; a byte more would wrap.
    EXPECT_NO_THROW(ChaCha20Xor(KeyOf(key), NonceOf(nonce), 0xffffffff, std::span(data).first(64), std::span(data).first(64)));
    EXPECT_THROW(ChaCha20Xor(KeyOf(key), NonceOf(nonce), 0xffffffff, std::span(data).first(65), std::span(data).first(65)),
                 std::length_error);
    EXPECT_THROW(ChaCha20Xor(KeyOf(key), NonceOf(nonce), 0, std::span(data).first(64), std::span(data).first(63)),
                 std::invalid_argument);
    EXPECT_THROW(ChaCha20Xor(KeyOf(key), NonceOf(nonce), 0, std::span(data).first(64), std::span(data).subspan(1, 64)),
                 std::invalid_argument);
}

}  // namespace
}  // namespace pelorin
