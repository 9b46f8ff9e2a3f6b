// Speed of the modern primitives beside the libraries people would compare
// them with, in the same run: the ChaCha20-Poly1305 AEAD over 16 MiB (each
// of our ChaCha20 variants, libsodium, OpenSSL; ours and libsodium also as
// 256 chunks of 64 KiB, as the archives use it), BLAKE2b over 16 MiB
// (libsodium), Argon2id at 256 MiB, 3 passes, 4 lanes (libargon2 with the
// same parameters and threads). Names are <implementation>/<algorithm>/<direction>.
#include <argon2.h>
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <sodium.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define PELORIN_HAVE_TSC 1
#endif

#include "archive/WorkerPool.h"
#include "cipher/Argon2id.h"
#include "cipher/Blake2b.h"
#include "cipher/ChaCha20Poly1305.h"

namespace {

using namespace pelorin;

constexpr std::size_t kMessageSize = 16u << 20;
constexpr std::size_t kTagSize = kChaCha20Poly1305TagSize;
constexpr Argon2Cost kArgon2Cost{3, 256 * 1024, 4};

const std::uint8_t kKey[32] = {0x3a, 0x91, 0x5c, 0x07, 0xe2, 0x44, 0x18, 0xbd, 0x6f, 0x20, 0xa5, 0xc3, 0x79, 0x0e, 0xd6, 0x52,
                               0x8b, 0x31, 0xf4, 0x66, 0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0x10, 0x32, 0x54, 0x76};
const std::uint8_t kNonce[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};

struct Buffers {
    std::vector<std::uint8_t> plain;
    std::vector<std::uint8_t> sealed;  // plain sealed under kKey, kNonce, no associated data
    std::vector<std::uint8_t> out;
};

Buffers& Shared() {
    static Buffers buffers = [] {
        Buffers b;
        b.plain.resize(kMessageSize);
        for (std::size_t i = 0; i < b.plain.size(); ++i) b.plain[i] = static_cast<std::uint8_t>(i * 131 + 7);
        b.sealed.resize(kMessageSize + kTagSize);
        ChaCha20Poly1305Seal(ChaCha20Variant::Portable, kKey, kNonce, {}, b.plain, b.sealed);
        b.out.resize(kMessageSize + kTagSize);
        return b;
    }();
    return buffers;
}

// Runs `work` once per iteration and reports bytes per second and, on x86,
// time-stamp-counter cycles per byte of the 16 MiB message.
template <class Work>
void RunOverMessage(benchmark::State& state, Work work) {
#ifdef PELORIN_HAVE_TSC
    std::uint64_t cycles = 0;
#endif
    for (auto _ : state) {
#ifdef PELORIN_HAVE_TSC
        const std::uint64_t start = __rdtsc();
#endif
        work();
#ifdef PELORIN_HAVE_TSC
        cycles += __rdtsc() - start;
#endif
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kMessageSize));
#ifdef PELORIN_HAVE_TSC
    state.counters["cycles_per_byte"] =
        static_cast<double>(cycles) / (static_cast<double>(state.iterations()) * static_cast<double>(kMessageSize));
#endif
}

void OursSeal(benchmark::State& state, ChaCha20Variant variant) {
    auto& b = Shared();
    RunOverMessage(state, [&] { ChaCha20Poly1305Seal(variant, kKey, kNonce, {}, b.plain, b.out); });
}

void OursOpen(benchmark::State& state, ChaCha20Variant variant) {
    auto& b = Shared();
    RunOverMessage(state, [&] {
        if (!ChaCha20Poly1305Open(variant, kKey, kNonce, {}, b.sealed, std::span(b.out).first(kMessageSize))) {
            state.SkipWithError("tag refused");
        }
    });
}

// The archive's pattern: 64 KiB chunks, each sealed on its own with its own
// nonce (the chunk number), into a buffer 16 bytes longer per chunk.
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kChunks = kMessageSize / kChunk;

std::vector<std::uint8_t>& SealedChunks() {
    static std::vector<std::uint8_t> sealed = [] {
        std::vector<std::uint8_t> out(kChunks * (kChunk + kTagSize));
        std::uint8_t nonce[12] = {};
        for (std::size_t i = 0; i < kChunks; ++i) {
            nonce[10] = static_cast<std::uint8_t>(i);
            ChaCha20Poly1305Seal(kKey, nonce, {}, std::span(Shared().plain).subspan(i * kChunk, kChunk),
                                 std::span(out).subspan(i * (kChunk + kTagSize), kChunk + kTagSize));
        }
        return out;
    }();
    return sealed;
}

template <class Chunk>
void OverChunks(benchmark::State& state, Chunk chunk) {
    SealedChunks();
    RunOverMessage(state, [&] {
        std::uint8_t nonce[12] = {};
        for (std::size_t i = 0; i < kChunks; ++i) {
            nonce[10] = static_cast<std::uint8_t>(i);
            chunk(i, nonce);
        }
    });
}

void OursSealChunks(benchmark::State& state) {
    auto& b = Shared();
    std::vector<std::uint8_t> out(kChunks * (kChunk + kTagSize));
    OverChunks(state, [&](std::size_t i, const std::uint8_t* nonce) {
        ChaCha20Poly1305Seal(kKey, ChaCha20Nonce(nonce, 12), {}, std::span(b.plain).subspan(i * kChunk, kChunk),
                             std::span(out).subspan(i * (kChunk + kTagSize), kChunk + kTagSize));
    });
}

void OursOpenChunks(benchmark::State& state) {
    auto& b = Shared();
    OverChunks(state, [&](std::size_t i, const std::uint8_t* nonce) {
        if (!ChaCha20Poly1305Open(kKey, ChaCha20Nonce(nonce, 12), {},
                                  std::span(SealedChunks()).subspan(i * (kChunk + kTagSize), kChunk + kTagSize),
                                  std::span(b.out).subspan(i * kChunk, kChunk))) {
            state.SkipWithError("tag refused");
        }
    });
}

void SodiumSealChunks(benchmark::State& state) {
    auto& b = Shared();
    std::vector<std::uint8_t> out(kChunks * (kChunk + kTagSize));
    OverChunks(state, [&](std::size_t i, const std::uint8_t* nonce) {
        unsigned long long length = 0;
        crypto_aead_chacha20poly1305_ietf_encrypt(out.data() + i * (kChunk + kTagSize), &length,
                                                  b.plain.data() + i * kChunk, kChunk, nullptr, 0, nullptr, nonce, kKey);
    });
}

void SodiumOpenChunks(benchmark::State& state) {
    auto& b = Shared();
    OverChunks(state, [&](std::size_t i, const std::uint8_t* nonce) {
        unsigned long long length = 0;
        if (crypto_aead_chacha20poly1305_ietf_decrypt(b.out.data() + i * kChunk, &length, nullptr,
                                                      SealedChunks().data() + i * (kChunk + kTagSize), kChunk + kTagSize,
                                                      nullptr, 0, nonce, kKey) != 0) {
            state.SkipWithError("tag refused");
        }
    });
}

void SodiumSeal(benchmark::State& state) {
    auto& b = Shared();
    RunOverMessage(state, [&] {
        unsigned long long length = 0;
        crypto_aead_chacha20poly1305_ietf_encrypt(b.out.data(), &length, b.plain.data(), b.plain.size(), nullptr, 0,
                                                  nullptr, kNonce, kKey);
    });
}

void SodiumOpen(benchmark::State& state) {
    auto& b = Shared();
    RunOverMessage(state, [&] {
        unsigned long long length = 0;
        if (crypto_aead_chacha20poly1305_ietf_decrypt(b.out.data(), &length, nullptr, b.sealed.data(), b.sealed.size(),
                                                      nullptr, 0, kNonce, kKey) != 0) {
            state.SkipWithError("tag refused");
        }
    });
}

// OpenSSL through EVP, a fresh context per message as a per-message API
// would use it.
void OpenSslAead(benchmark::State& state, bool seal) {
    auto& b = Shared();
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "ChaCha20-Poly1305", nullptr);
    if (cipher == nullptr) {
        state.SkipWithError("ChaCha20-Poly1305 not available in this OpenSSL");
        return;
    }
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    RunOverMessage(state, [&] {
        int produced = 0;
        EVP_CipherInit_ex2(ctx.get(), cipher, kKey, kNonce, seal ? 1 : 0, nullptr);
        if (seal) {
            EVP_CipherUpdate(ctx.get(), b.out.data(), &produced, b.plain.data(), static_cast<int>(kMessageSize));
            EVP_CipherFinal_ex(ctx.get(), b.out.data() + produced, &produced);
            EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_GET_TAG, kTagSize, b.out.data() + kMessageSize);
        } else {
            EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_TAG, kTagSize, b.sealed.data() + kMessageSize);
            EVP_CipherUpdate(ctx.get(), b.out.data(), &produced, b.sealed.data(), static_cast<int>(kMessageSize));
            if (EVP_CipherFinal_ex(ctx.get(), b.out.data() + produced, &produced) != 1) state.SkipWithError("tag refused");
        }
    });
    EVP_CIPHER_free(cipher);
}

void OursBlake2b(benchmark::State& state) {
    auto& b = Shared();
    RunOverMessage(state, [&] { Blake2bDigest(std::span(kKey), b.plain, std::span(b.out).first(32)); });
}

void SodiumBlake2b(benchmark::State& state) {
    auto& b = Shared();
    RunOverMessage(state, [&] { crypto_generichash(b.out.data(), 32, b.plain.data(), b.plain.size(), kKey, 32); });
}

const std::uint8_t kPassword[] = {'c', 'o', 'r', 'r', 'e', 'c', 't', ' ', 'h', 'o', 'r', 's', 'e'};
const std::uint8_t kSalt[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// threads 0: the engines' pool, JobWorkers() (one thread per core, or
// PELORIN_CIPHER_THREADS).
void OursArgon2id(benchmark::State& state, Argon2Variant variant, unsigned threads) {
    std::unique_ptr<archive::WorkerPool> own;
    if (threads != 0) own = std::make_unique<archive::WorkerPool>(threads);
    ParallelRunner& runner = own ? *own : archive::JobWorkers();
    std::uint8_t tag[32];
    for (auto _ : state) {
        Argon2id(variant, {kPassword, kSalt}, kArgon2Cost, tag, runner);
        benchmark::DoNotOptimize(tag);
    }
    state.counters["threads"] = own ? threads : archive::JobWorkers().threads();
}

void LibArgon2id(benchmark::State& state, unsigned threads) {
    std::uint8_t tag[32];
    for (auto _ : state) {
        argon2_context context{};
        context.out = tag;
        context.outlen = sizeof tag;
        context.pwd = const_cast<std::uint8_t*>(kPassword);
        context.pwdlen = sizeof kPassword;
        context.salt = const_cast<std::uint8_t*>(kSalt);
        context.saltlen = sizeof kSalt;
        context.t_cost = kArgon2Cost.passes;
        context.m_cost = kArgon2Cost.memoryKiB;
        context.lanes = kArgon2Cost.lanes;
        context.threads = threads;
        context.version = ARGON2_VERSION_13;
        if (argon2_ctx(&context, Argon2_id) != ARGON2_OK) state.SkipWithError("libargon2 failed");
        benchmark::DoNotOptimize(tag);
    }
    state.counters["threads"] = threads;
}

const int registered = [] {
    if (sodium_init() < 0) return 0;
    for (const ChaCha20Variant variant : SupportedChaCha20Variants()) {
        const std::string ours = std::string("pelorin-") + ChaCha20VariantName(variant) + "/ChaCha20-Poly1305/";
        benchmark::RegisterBenchmark((ours + "seal").c_str(), OursSeal, variant)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((ours + "open").c_str(), OursOpen, variant)->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("libsodium/ChaCha20-Poly1305/seal", SodiumSeal)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("libsodium/ChaCha20-Poly1305/open", SodiumOpen)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("pelorin/ChaCha20-Poly1305/seal-64KiB-chunks", OursSealChunks)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("pelorin/ChaCha20-Poly1305/open-64KiB-chunks", OursOpenChunks)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("libsodium/ChaCha20-Poly1305/seal-64KiB-chunks", SodiumSealChunks)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("libsodium/ChaCha20-Poly1305/open-64KiB-chunks", SodiumOpenChunks)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("openssl/ChaCha20-Poly1305/seal", OpenSslAead, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("openssl/ChaCha20-Poly1305/open", OpenSslAead, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("pelorin/BLAKE2b-256/keyed", OursBlake2b)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("libsodium/BLAKE2b-256/keyed", SodiumBlake2b)->Unit(benchmark::kMillisecond);
    for (const unsigned threads : {1u, 4u}) {
        const std::string suffix = "/Argon2id-256MiB-t3-p4/" + std::to_string(threads) + (threads == 1 ? "-thread" : "-threads");
        for (const Argon2Variant variant : SupportedArgon2Variants()) {
            benchmark::RegisterBenchmark((std::string("pelorin-") + Argon2VariantName(variant) + suffix).c_str(),
                                         OursArgon2id, variant, threads)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
        }
        benchmark::RegisterBenchmark(("libargon2" + suffix).c_str(), LibArgon2id, threads)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
    benchmark::RegisterBenchmark("pelorin/Argon2id-256MiB-t3-p4/job-workers", OursArgon2id,
                                 SupportedArgon2Variants().back(), 0u)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    return 0;
}();

}  // namespace
