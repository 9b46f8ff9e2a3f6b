// Differential tests against independent implementations: OpenSSL's
// libcrypto for Blowfish, DES, SHA-1 and RC4, Crypto++ for IDEA and SAFER
// SK-128. Random keys and data; the byte-order rules of the archive are
// applied on the way in and out.
#include <gtest/gtest.h>

#include <cryptopp/blowfish.h>
#include <cryptopp/idea.h>
#include <cryptopp/safer.h>
#include <openssl/blowfish.h>
#include <openssl/des.h>
#include <openssl/rc4.h>
#include <openssl/sha.h>

#include <cstring>
#include <vector>

#include "TestHex.h"
#include "cipher/Algorithm.h"
#include "cipher/PasskeyCheck.h"
#include "cipher/Sha1.h"

namespace pelorin {
namespace {

using Data = std::vector<std::uint8_t>;
using test::SwapHalves;
using test::SwapWords;
using test::TestBytes;
using test::ToHex;

constexpr int kTrials = 200;

Data Ours(Algorithm algorithm, const Data& key, Data data) {
    MakeGroupCipher(static_cast<int>(algorithm), key)->Encrypt(data);
    return data;
}

TEST(OracleTest, BlowfishMatchesOpenSslAndCryptoppWithReversedHalves) {
    for (int trial = 0; trial < kTrials; ++trial) {
        const auto key = TestBytes(1 + trial % 72, 1000 + trial);
        const auto plain = TestBytes(64, 2000 + trial);
        BF_KEY bf;
        BF_set_key(&bf, static_cast<int>(key.size()), key.data());
        Data expected(plain.size());
        const auto standardIn = SwapHalves(plain);
        for (std::size_t g = 0; g < plain.size(); g += 8) {
            BF_ecb_encrypt(standardIn.data() + g, expected.data() + g, &bf, BF_ENCRYPT);
        }
        ASSERT_EQ(ToHex(Ours(Algorithm::Blowfish, key, plain)), ToHex(SwapHalves(expected))) << trial;

        if (key.size() >= 4 && key.size() <= 56) {
            CryptoPP::Blowfish::Encryption cryptopp(key.data(), key.size());
            Data viaCryptopp(plain.size());
            cryptopp.ProcessAndXorBlock(standardIn.data(), nullptr, viaCryptopp.data());
            EXPECT_EQ(ToHex(std::span(viaCryptopp).first(8)), ToHex(std::span(expected).first(8)));
        }
    }
}

TEST(OracleTest, DesMatchesOpenSslWithReversedHalves) {
    for (int trial = 0; trial < kTrials; ++trial) {
        const auto key = TestBytes(8, 3000 + trial);
        const auto plain = TestBytes(64, 4000 + trial);
        DES_cblock block;
        std::memcpy(block, key.data(), 8);
        DES_key_schedule schedule;
        DES_set_key_unchecked(&block, &schedule);
        auto standardIn = SwapHalves(plain);
        Data expected(plain.size());
        for (std::size_t g = 0; g < plain.size(); g += 8) {
            DES_ecb_encrypt(reinterpret_cast<DES_cblock*>(standardIn.data() + g),
                            reinterpret_cast<DES_cblock*>(expected.data() + g), &schedule, DES_ENCRYPT);
        }
        ASSERT_EQ(ToHex(Ours(Algorithm::Des, key, plain)), ToHex(SwapHalves(expected))) << trial;
    }
}

TEST(OracleTest, IdeaMatchesCryptoppWithSwappedWords) {
    for (int trial = 0; trial < kTrials; ++trial) {
        const auto key = TestBytes(16, 5000 + trial);
        const auto plain = TestBytes(8 * 19, 6000 + trial);
        CryptoPP::IDEA::Encryption idea(SwapWords(key).data(), 16);
        const auto standardIn = SwapWords(plain);
        Data expected(plain.size());
        for (std::size_t g = 0; g < plain.size(); g += 8) {
            idea.ProcessAndXorBlock(standardIn.data() + g, nullptr, expected.data() + g);
        }
        const auto ours = Ours(Algorithm::Idea, key, plain);
        ASSERT_EQ(ToHex(ours), ToHex(SwapWords(expected))) << trial;
        auto back = ours;
        MakeGroupCipher(static_cast<int>(Algorithm::Idea), key)->Decrypt(back);
        ASSERT_EQ(back, plain);
    }
}

TEST(OracleTest, IdeaHandlesZeroWordsLikeCryptopp) {
    // Zero words stand for 65536 in the multiplication; keys and data full of
    // zeros exercise that path in the eight-lane code too.
    for (int trial = 0; trial < 20; ++trial) {
        Data key(16, 0), plain(64, 0);
        if (trial % 2) key = TestBytes(16, trial);
        for (std::size_t n = 0; n < plain.size(); n += 3) plain[n] = static_cast<std::uint8_t>(trial * n);
        CryptoPP::IDEA::Encryption idea(SwapWords(key).data(), 16);
        const auto standardIn = SwapWords(plain);
        Data expected(plain.size());
        for (std::size_t g = 0; g < plain.size(); g += 8) {
            idea.ProcessAndXorBlock(standardIn.data() + g, nullptr, expected.data() + g);
        }
        ASSERT_EQ(ToHex(Ours(Algorithm::Idea, key, plain)), ToHex(SwapWords(expected))) << trial;
    }
}

TEST(OracleTest, SaferSk128TenRoundsMatchesCryptopp) {
    for (int trial = 0; trial < kTrials; ++trial) {
        const auto key = TestBytes(16, 7000 + trial);
        const auto plain = TestBytes(8 * 5, 8000 + trial);
        CryptoPP::SAFER_SK::Encryption safer;
        safer.SetKeyWithRounds(key.data(), 16, 10);
        Data expected(plain.size());
        for (std::size_t g = 0; g < plain.size(); g += 8) {
            safer.ProcessAndXorBlock(plain.data() + g, nullptr, expected.data() + g);
        }
        ASSERT_EQ(ToHex(Ours(Algorithm::Safer, key, plain)), ToHex(expected)) << trial;
    }
}

TEST(OracleTest, Sha1MatchesOpenSslForAllLengthsAroundBlocks) {
    for (std::size_t n = 0; n < 300; ++n) {
        const auto data = TestBytes(n, static_cast<std::uint32_t>(n));
        std::uint8_t md[SHA_DIGEST_LENGTH];
        SHA1(data.data(), data.size(), md);
        ASSERT_EQ(ToHex(Sha1(data)), ToHex(std::span(md, SHA_DIGEST_LENGTH))) << n;
    }
}

TEST(OracleTest, PasskeyCheckRebuiltFromOpenSslPieces) {
    for (int trial = 0; trial < 10; ++trial) {
        const auto passkey = TestBytes(1 + trial * 12, 9000 + trial);
        const auto saltBytes = TestBytes(8, 9500 + trial);
        std::array<std::uint8_t, 8> salt{};
        std::copy(saltBytes.begin(), saltBytes.end(), salt.begin());

        Data message(salt.begin(), salt.end());
        message.insert(message.end(), passkey.begin(), passkey.end());
        std::uint8_t digest[SHA_DIGEST_LENGTH];
        SHA1(message.data(), message.size(), digest);
        BF_KEY bf;
        BF_set_key(&bf, SHA_DIGEST_LENGTH, digest);
        Data block = SwapHalves(Data(salt.begin(), salt.end()));
        for (int i = 0; i < 1000; ++i) BF_ecb_encrypt(block.data(), block.data(), &bf, BF_ENCRYPT);
        block = SwapHalves(block);
        SHA_CTX zero;
        std::memset(&zero, 0, sizeof zero);  // chaining value 0,0,0,0,0
        SHA1_Update(&zero, block.data(), block.size());
        std::uint8_t expected[SHA_DIGEST_LENGTH];
        SHA1_Final(expected, &zero);

        EXPECT_EQ(ToHex(ComputePasskeyCheck(passkey, salt)), ToHex(std::span(expected, SHA_DIGEST_LENGTH)));
    }
}

TEST(OracleTest, StandardRc4DiffersFromPseudoRc4OnTheFirst256Bytes) {
    for (int trial = 0; trial < 50; ++trial) {
        const auto key = TestBytes(1 + trial % 30, 10000 + trial);
        RC4_KEY rc4;
        RC4_set_key(&rc4, static_cast<int>(key.size()), key.data());
        Data standard(256, 0);
        RC4(&rc4, standard.size(), standard.data(), standard.data());
        EXPECT_NE(Ours(Algorithm::PseudoRc4, key, Data(256, 0)), standard) << trial;
    }
}

}  // namespace
}  // namespace pelorin
