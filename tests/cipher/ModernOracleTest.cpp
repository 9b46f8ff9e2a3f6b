// Differential tests of the modern primitives against independent
// implementations: libsodium for ChaCha20, Poly1305, the AEAD and BLAKE2b
// (OpenSSL's BLAKE2b MAC for the key and digest sizes libsodium does not
// take), libargon2 for Argon2id. Random lengths up to 300,000 bytes, random
// keys, nonces, counters and associated data; data fed in random pieces;
// every ChaCha20 variant this processor runs.
#include <gtest/gtest.h>

#include <argon2.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <sodium.h>

#include <algorithm>
#include <random>
#include <vector>

#include "TestHex.h"
#include "archive/WorkerPool.h"
#include "cipher/Argon2id.h"
#include "cipher/Blake2b.h"
#include "cipher/ChaCha20Poly1305.h"

namespace pelorin {
namespace {

using Data = std::vector<std::uint8_t>;
using test::ToHex;

constexpr std::size_t kMaxLength = 300000;

class Random {
public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}
    std::size_t Below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(engine_); }
    Data Bytes(std::size_t count) {
        Data out(count);
        for (auto& b : out) b = static_cast<std::uint8_t>(engine_());
        return out;
    }
    // Lengths of every size class: mostly short, some up to the maximum.
    std::size_t Length() {
        switch (Below(3)) {
            case 0: return Below(300);
            case 1: return Below(5000);
            default: return Below(kMaxLength + 1);
        }
    }
    // The cuts of `length` bytes into random pieces, each a multiple of
    // `unit` except the last.
    std::vector<std::size_t> Cuts(std::size_t length, std::size_t unit) {
        std::vector<std::size_t> cuts;
        for (std::size_t at = 0; at < length;) {
            const std::size_t piece = std::min(length - at, (1 + Below(length / unit / 4 + 2)) * unit);
            cuts.push_back(piece);
            at += piece;
        }
        return cuts;
    }

private:
    std::mt19937 engine_;
};

ChaCha20Key KeyOf(const Data& key) { return ChaCha20Key(key.data(), kChaCha20KeySize); }
ChaCha20Nonce NonceOf(const Data& nonce) { return ChaCha20Nonce(nonce.data(), kChaCha20NonceSize); }

class ModernOracleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_GE(sodium_init(), 0); }
};

TEST_F(ModernOracleTest, ChaCha20MatchesLibsodiumWholeAndInPieces) {
    Random random(1);
    for (int trial = 0; trial < 40; ++trial) {
        const std::size_t length = random.Length();
        const Data key = random.Bytes(32), nonce = random.Bytes(12), plain = random.Bytes(length);
        const auto counter = static_cast<std::uint32_t>(random.Below(1u << 20));
        Data expected(length);
        crypto_stream_chacha20_ietf_xor_ic(expected.data(), plain.data(), length, nonce.data(), counter, key.data());
        const auto cuts = random.Cuts(length, kChaCha20BlockSize);
        for (const ChaCha20Variant variant : SupportedChaCha20Variants()) {
            Data ours(length);
            ChaCha20Xor(variant, KeyOf(key), NonceOf(nonce), counter, plain, ours);
            ASSERT_EQ(ToHex(ours), ToHex(expected)) << ChaCha20VariantName(variant) << " length " << length;
            Data pieces = plain;
            std::size_t at = 0;
            for (const std::size_t piece : cuts) {
                const auto span = std::span(pieces).subspan(at, piece);
                ChaCha20Xor(variant, KeyOf(key), NonceOf(nonce), static_cast<std::uint32_t>(counter + at / 64), span, span);
                at += piece;
            }
            ASSERT_EQ(ToHex(pieces), ToHex(expected)) << ChaCha20VariantName(variant) << " in pieces, length " << length;
        }
    }
}

TEST_F(ModernOracleTest, Poly1305MatchesLibsodiumFedInAnyPieces) {
    Random random(2);
    for (int trial = 0; trial < 60; ++trial) {
        const Data key = random.Bytes(32), message = random.Bytes(random.Length());
        std::uint8_t expected[16];
        crypto_onetimeauth_poly1305(expected, message.data(), message.size(), key.data());
        Poly1305 mac(std::span<const std::uint8_t, 32>(key.data(), 32));
        std::size_t at = 0;
        for (const std::size_t piece : random.Cuts(message.size(), 1)) {
            mac.Update(std::span(message).subspan(at, piece));
            at += piece;
        }
        std::uint8_t tag[16];
        mac.Final(tag);
        ASSERT_EQ(ToHex(tag), ToHex(expected)) << "length " << message.size();
    }
}

TEST_F(ModernOracleTest, AeadMatchesLibsodiumBothWays) {
    Random random(3);
    for (int trial = 0; trial < 40; ++trial) {
        const std::size_t length = random.Length();
        const Data key = random.Bytes(32), nonce = random.Bytes(12), plain = random.Bytes(length);
        const Data ad = random.Bytes(random.Below(3) == 0 ? 0 : random.Length() % 2000);
        Data expected(length + 16);
        unsigned long long sealedLength = 0;
        crypto_aead_chacha20poly1305_ietf_encrypt(expected.data(), &sealedLength, plain.data(), length, ad.data(),
                                                  ad.size(), nullptr, nonce.data(), key.data());
        ASSERT_EQ(sealedLength, expected.size());
        for (const ChaCha20Variant variant : SupportedChaCha20Variants()) {
            Data sealed(length + 16);
            ChaCha20Poly1305Seal(variant, KeyOf(key), NonceOf(nonce), ad, plain, sealed);
            ASSERT_EQ(ToHex(sealed), ToHex(expected)) << ChaCha20VariantName(variant) << " length " << length;
            Data opened(length);
            ASSERT_TRUE(ChaCha20Poly1305Open(variant, KeyOf(key), NonceOf(nonce), ad, expected, opened));
            ASSERT_TRUE(opened == plain);
            Data inPlace = plain;
            inPlace.resize(length + 16);
            ChaCha20Poly1305Seal(variant, KeyOf(key), NonceOf(nonce), ad, std::span(inPlace).first(length), inPlace);
            ASSERT_TRUE(inPlace == expected) << ChaCha20VariantName(variant) << " in place, length " << length;
            ASSERT_TRUE(ChaCha20Poly1305Open(variant, KeyOf(key), NonceOf(nonce), ad, inPlace,
                                             std::span(inPlace).first(length)));
            ASSERT_TRUE(std::equal(plain.begin(), plain.end(), inPlace.begin()));
        }
        // A tag libsodium refuses is refused here too.
        Data changed = expected;
        changed[random.Below(changed.size())] ^= 0x20;
        Data out(length);
        EXPECT_NE(crypto_aead_chacha20poly1305_ietf_decrypt(out.data(), nullptr, nullptr, changed.data(), changed.size(),
                                                            ad.data(), ad.size(), nonce.data(), key.data()),
                  0);
        EXPECT_FALSE(ChaCha20Poly1305Open(KeyOf(key), NonceOf(nonce), ad, changed, out));
    }
}

// OpenSSL's BLAKE2b MAC: keys of 1 to 64 bytes, digests of 1 to 64.
Data OpenSslBlake2bMac(const Data& key, const Data& message, std::size_t digestSize) {
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "BLAKE2BMAC", nullptr);
    EVP_MAC_CTX* context = EVP_MAC_CTX_new(mac);
    std::size_t size = digestSize;
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_size_t(OSSL_MAC_PARAM_SIZE, &size), OSSL_PARAM_construct_end()};
    Data out(digestSize);
    std::size_t written = 0;
    const bool ok = EVP_MAC_init(context, key.data(), key.size(), params) == 1 &&
                    EVP_MAC_update(context, message.data(), message.size()) == 1 &&
                    EVP_MAC_final(context, out.data(), &written, out.size()) == 1 && written == digestSize;
    EVP_MAC_CTX_free(context);
    EVP_MAC_free(mac);
    if (!ok) out.clear();
    return out;
}

TEST_F(ModernOracleTest, Blake2bMatchesLibsodiumAndOpenSslForEverySize) {
    Random random(4);
    for (int trial = 0; trial < 120; ++trial) {
        const Data message = random.Bytes(trial < 100 ? random.Below(1000) : random.Length());
        const std::size_t digestSize = 1 + random.Below(64);
        const Data key = random.Bytes(trial % 4 == 0 ? 0 : 1 + random.Below(64));
        Data expected;
        if (digestSize >= crypto_generichash_BYTES_MIN && (key.empty() || key.size() >= crypto_generichash_KEYBYTES_MIN)) {
            expected.resize(digestSize);
            crypto_generichash_state state;
            crypto_generichash_init(&state, key.data(), key.size(), digestSize);
            crypto_generichash_update(&state, message.data(), message.size());
            crypto_generichash_final(&state, expected.data(), digestSize);
        } else if (!key.empty()) {
            expected = OpenSslBlake2bMac(key, message, digestSize);
            ASSERT_FALSE(expected.empty()) << "OpenSSL's BLAKE2b MAC failed";
        } else {
            continue;  // unkeyed below 16 bytes: neither oracle offers it
        }
        Blake2b hash(digestSize, key);
        std::size_t at = 0;
        for (const std::size_t piece : random.Cuts(message.size(), 1)) {
            hash.Update(std::span(message).subspan(at, piece));
            at += piece;
        }
        Data digest(digestSize);
        hash.Final(digest);
        ASSERT_EQ(ToHex(digest), ToHex(expected)) << "message " << message.size() << " key " << key.size();
    }
}

TEST_F(ModernOracleTest, Argon2idMatchesLibargon2WithSecretAndAssociatedData) {
    Random random(5);
    archive::WorkerPool pool(2);
    SequentialRunner sequential;
    for (int trial = 0; trial < 24; ++trial) {
        const auto lanes = static_cast<std::uint32_t>(1 + random.Below(5));
        const Argon2Cost cost{static_cast<std::uint32_t>(1 + random.Below(3)),
                              static_cast<std::uint32_t>(8 * lanes + random.Below(600)), lanes};
        Data password = random.Bytes(random.Below(65)), salt = random.Bytes(8 + random.Below(25));
        Data secret = random.Bytes(trial % 2 ? random.Below(33) : 0), ad = random.Bytes(trial % 3 ? random.Below(50) : 0);
        const std::size_t tagLength = trial == 0 ? 1000 : 4 + random.Below(97);
        Data expected(tagLength);
        argon2_context context{};
        context.out = expected.data();
        context.outlen = static_cast<std::uint32_t>(tagLength);
        context.pwd = password.data();
        context.pwdlen = static_cast<std::uint32_t>(password.size());
        context.salt = salt.data();
        context.saltlen = static_cast<std::uint32_t>(salt.size());
        context.secret = secret.data();
        context.secretlen = static_cast<std::uint32_t>(secret.size());
        context.ad = ad.data();
        context.adlen = static_cast<std::uint32_t>(ad.size());
        context.t_cost = cost.passes;
        context.m_cost = cost.memoryKiB;
        context.lanes = cost.lanes;
        context.threads = cost.lanes;
        context.version = ARGON2_VERSION_13;
        ASSERT_EQ(argon2_ctx(&context, Argon2_id), ARGON2_OK);
        for (const Argon2Variant variant : SupportedArgon2Variants()) {
            Data tag(tagLength);
            Argon2id(variant, {password, salt, secret, ad}, cost, tag,
                     trial % 2 ? static_cast<ParallelRunner&>(pool) : sequential);
            ASSERT_EQ(ToHex(tag), ToHex(expected)) << Argon2VariantName(variant) << " t " << cost.passes << " m "
                                                   << cost.memoryKiB << " p " << cost.lanes << " tag " << tagLength;
        }
    }
    // The archive's own shape, through the plain interface.
    const Data password = random.Bytes(20), salt = random.Bytes(16);
    Data expected(32), tag(32);
    ASSERT_EQ(argon2id_hash_raw(3, 8192, 4, password.data(), password.size(), salt.data(), salt.size(), expected.data(),
                                expected.size()),
              ARGON2_OK);
    Argon2id({password, salt}, {3, 8192, 4}, tag, pool);
    EXPECT_EQ(ToHex(tag), ToHex(expected));
}

}  // namespace
}  // namespace pelorin
