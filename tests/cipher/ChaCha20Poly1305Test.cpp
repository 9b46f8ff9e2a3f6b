// The AEAD's published answers (RFC 8439 sections 2.8.2 and A.5) sealed and
// opened through every ChaCha20 variant, in and out of place; every changed
// byte of a sealed message, its associated data or its nonce is refused with
// nothing deciphered.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "TestHex.h"
#include "cipher/ChaCha20Poly1305.h"
#include "cipher/Rfc8439Texts.h"

namespace pelorin {
namespace {

using test::Bytes;
using test::FromHex;
using test::TestBytes;
using test::ToHex;

struct AeadAnswer {
    const char* name;
    const char* key;
    const char* nonce;
    const char* associatedData;
    std::vector<std::uint8_t> plain;
    const char* sealed;  // ciphertext || tag
};

const AeadAnswer kAeadAnswers[] = {
    {"2.8.2", "808182838485868788898a8b8c8d8e8f909192939495969798999a9b9c9d9e9f", "070000004041424344454647",
     "50515253c0c1c2c3c4c5c6c7", Bytes(test::kSunscreen),
     "d31a8d34648e60db7b86afbc53ef7ec2a4aded51296e08fea9e2b5a736ee62d6"
     "3dbea45e8ca9671282fafb69da92728b1a71de0a9e060b2905d6a5b67ecd3b36"
     "92ddbd7f2d778b8c9803aee328091b58fab324e4fad675945585808b4831d7bc"
     "3ff4def08e4b7a9de576d26586cec64b6116"
     "1ae10b594f09e26a7e902ecbd0600691"},
    {"A.5", "1c9240a5eb55d38af333888604f6b5f0473917c1402b80099dca5cbc207075c0", "000000000102030405060708",
     "f33388860000000000004e91",
     Bytes("Internet-Drafts are draft documents valid for a maximum of six months and may be updated, replaced, or "
           "obsoleted by other documents at any time. It is inappropriate to use Internet-Drafts as reference material "
           "or to cite them other than as /\xe2\x80\x9cwork in progress./\xe2\x80\x9d"),
     "64a0861575861af460f062c79be643bd5e805cfd345cf389f108670ac76c8cb2"
     "4c6cfc18755d43eea09ee94e382d26b0bdb7b73c321b0100d4f03b7f355894cf"
     "332f830e710b97ce98c8a84abd0b948114ad176e008d33bd60f982b1ff37c855"
     "9797a06ef4f0ef61c186324e2b3506383606907b6a7c02b0f9f6157b53c867e4"
     "b9166c767b804d46a59b5216cde7a4e99040c5a40433225ee282a1b0a06c523e"
     "af4534d7f83fa1155b0047718cbc546a0d072b04b3564eea1b422273f548271a"
     "0bb2316053fa76991955ebd63159434ecebb4e466dae5a1073a6727627097a10"
     "49e617d91d361094fa68f0ff77987130305beaba2eda04df997b714d6c6f2c29"
     "a6ad5cb4022b02709b"
     "eead9d67890cbb22392336fea1851f38"},
};

ChaCha20Key KeyOf(const std::vector<std::uint8_t>& key) { return ChaCha20Key(key.data(), kChaCha20KeySize); }
ChaCha20Nonce NonceOf(const std::vector<std::uint8_t>& nonce) { return ChaCha20Nonce(nonce.data(), kChaCha20NonceSize); }

TEST(ChaCha20Poly1305Test, PublishedAnswersSealAndOpenInEveryVariant) {
    for (const ChaCha20Variant variant : SupportedChaCha20Variants()) {
        for (const auto& answer : kAeadAnswers) {
            SCOPED_TRACE(std::string(ChaCha20VariantName(variant)) + " " + answer.name);
            const auto key = FromHex(answer.key);
            const auto nonce = FromHex(answer.nonce);
            const auto ad = FromHex(answer.associatedData);
            const auto expected = FromHex(answer.sealed);
            ASSERT_EQ(expected.size(), answer.plain.size() + kChaCha20Poly1305TagSize);

            std::vector<std::uint8_t> sealed(expected.size());
            ChaCha20Poly1305Seal(variant, KeyOf(key), NonceOf(nonce), ad, answer.plain, sealed);
            EXPECT_EQ(ToHex(sealed), ToHex(expected));
            std::vector<std::uint8_t> plain(answer.plain.size());
            EXPECT_TRUE(ChaCha20Poly1305Open(variant, KeyOf(key), NonceOf(nonce), ad, expected, plain));
            EXPECT_EQ(ToHex(plain), ToHex(answer.plain));

            // In place: the plaintext followed by room for the tag, and back.
            auto buffer = answer.plain;
            buffer.resize(expected.size());
            ChaCha20Poly1305Seal(variant, KeyOf(key), NonceOf(nonce), ad, std::span(buffer).first(answer.plain.size()),
                                 buffer);
            EXPECT_EQ(ToHex(buffer), ToHex(expected));
            EXPECT_TRUE(ChaCha20Poly1305Open(variant, KeyOf(key), NonceOf(nonce), ad, buffer,
                                             std::span(buffer).first(answer.plain.size())));
            EXPECT_EQ(ToHex(std::span(buffer).first(answer.plain.size())), ToHex(answer.plain));
        }
    }
}

TEST(ChaCha20Poly1305Test, OpensTheWholeMessageAndRefusesAnyChangeWithNothingDeciphered) {
    const auto key = TestBytes(32, 11);
    const auto nonce = TestBytes(12, 12);
    const auto ad = TestBytes(21, 13);
    // Two 512-byte groups and a tail: the fused loops and the plain ones.
    const auto plain = TestBytes(1100, 14);
    std::vector<std::uint8_t> sealed(plain.size() + kChaCha20Poly1305TagSize);
    ChaCha20Poly1305Seal(KeyOf(key), NonceOf(nonce), ad, plain, sealed);
    const std::vector<std::uint8_t> zeros(plain.size());
    for (const ChaCha20Variant variant : SupportedChaCha20Variants()) {
        std::vector<std::uint8_t> resealed(sealed.size()), opened(plain.size());
        ChaCha20Poly1305Seal(variant, KeyOf(key), NonceOf(nonce), ad, plain, resealed);
        EXPECT_EQ(ToHex(resealed), ToHex(sealed)) << ChaCha20VariantName(variant);
        EXPECT_TRUE(ChaCha20Poly1305Open(variant, KeyOf(key), NonceOf(nonce), ad, sealed, opened));
        EXPECT_EQ(ToHex(opened), ToHex(plain)) << ChaCha20VariantName(variant);
    }

    const auto refused = [&](const std::vector<std::uint8_t>& k, const std::vector<std::uint8_t>& n,
                             const std::vector<std::uint8_t>& a, std::vector<std::uint8_t> s) {
        std::vector<std::uint8_t> out(s.size() - kChaCha20Poly1305TagSize, 0x55);
        const bool opened = ChaCha20Poly1305Open(KeyOf(k), NonceOf(n), a, s, out);
        // In place as well: the ciphertext is replaced by zeros, not deciphered.
        const bool openedInPlace = ChaCha20Poly1305Open(KeyOf(k), NonceOf(n), a, s, std::span(s).first(out.size()));
        return !opened && !openedInPlace && out == zeros && std::equal(zeros.begin(), zeros.end(), s.begin());
    };
    for (std::size_t i = 0; i < sealed.size(); ++i) {
        auto changed = sealed;
        changed[i] ^= static_cast<std::uint8_t>(1u << (i % 8));
        EXPECT_TRUE(refused(key, nonce, ad, changed)) << "sealed byte " << i;
    }
    for (std::size_t i = 0; i < ad.size(); ++i) {
        auto changed = ad;
        changed[i] ^= 0x80;
        EXPECT_TRUE(refused(key, nonce, changed, sealed)) << "associated byte " << i;
    }
    for (std::size_t i = 0; i < nonce.size(); ++i) {
        auto changed = nonce;
        changed[i] ^= 0x01;
        EXPECT_TRUE(refused(key, changed, ad, sealed)) << "nonce byte " << i;
    }
    auto otherKey = key;
    otherKey[31] ^= 0x40;
    EXPECT_TRUE(refused(otherKey, nonce, ad, sealed));
    auto withoutAd = std::vector<std::uint8_t>();
    EXPECT_TRUE(refused(key, nonce, withoutAd, sealed));
    // A message shorter than a tag opens nothing.
    std::vector<std::uint8_t> empty;
    EXPECT_FALSE(ChaCha20Poly1305Open(KeyOf(key), NonceOf(nonce), ad, std::span(sealed).first(15), empty));
}

TEST(ChaCha20Poly1305Test, RefusesBuffersOfTheWrongSizeOrOverlapping) {
    const auto key = TestBytes(32, 21);
    const auto nonce = TestBytes(12, 22);
    std::vector<std::uint8_t> buffer(200);
    const auto plain = std::span(buffer).first(100);
    EXPECT_THROW(ChaCha20Poly1305Seal(KeyOf(key), NonceOf(nonce), {}, plain, std::span(buffer).subspan(100, 115)),
                 std::invalid_argument);
    EXPECT_THROW(ChaCha20Poly1305Seal(KeyOf(key), NonceOf(nonce), {}, plain, std::span(buffer).subspan(1, 116)),
                 std::invalid_argument);
    EXPECT_THROW((void)ChaCha20Poly1305Open(KeyOf(key), NonceOf(nonce), {}, std::span(buffer).first(116),
                                            std::span(buffer).subspan(101, 99)),
                 std::invalid_argument);
    EXPECT_THROW((void)ChaCha20Poly1305Open(KeyOf(key), NonceOf(nonce), {}, std::span(buffer).first(116),
                                            std::span(buffer).subspan(8, 100)),
                 std::invalid_argument);
}

}  // namespace
}  // namespace pelorin
