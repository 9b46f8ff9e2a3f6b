// Bulk-transform speed of every cipher, and in the same run the same work
// through the reference libraries, so that every comparison is a ratio from
// one run. Names are <implementation>/<algorithm>/<direction>.
#include <benchmark/benchmark.h>

#include <cryptopp/blowfish.h>
#include <cryptopp/des.h>
#include <cryptopp/idea.h>
#include <cryptopp/modes.h>
#include <cryptopp/safer.h>
#include <gcrypt.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rc4.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define PELORIN_HAVE_TSC 1
#endif

#include "cipher/Algorithm.h"
#include "cipher/PasskeyCheck.h"

namespace {

using pelorin::Algorithm;

constexpr std::size_t kBufferSize = 16u << 20;

std::vector<std::uint8_t>& Buffer() {
    static std::vector<std::uint8_t> buffer = [] {
        std::vector<std::uint8_t> b(kBufferSize);
        for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 131 + 7);
        return b;
    }();
    return buffer;
}

const std::vector<std::uint8_t> kKey = {0x3A, 0x91, 0x5C, 0x07, 0xE2, 0x44, 0x18, 0xBD, 0x6F, 0x20,
                                        0xA5, 0xC3, 0x79, 0x0E, 0xD6, 0x52, 0x8B, 0x31, 0xF4, 0x66};

// Runs `work` over the 16 MiB buffer per iteration and reports bytes per
// second and, on x86, time-stamp-counter cycles per byte.
template <class Work>
void RunOverBuffer(benchmark::State& state, Work work) {
    auto& buffer = Buffer();
#ifdef PELORIN_HAVE_TSC
    std::uint64_t cycles = 0;
#endif
    for (auto _ : state) {
#ifdef PELORIN_HAVE_TSC
        const std::uint64_t start = __rdtsc();
#endif
        work(buffer.data(), buffer.size());
#ifdef PELORIN_HAVE_TSC
        cycles += __rdtsc() - start;
#endif
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kBufferSize));
#ifdef PELORIN_HAVE_TSC
    state.counters["cycles_per_byte"] =
        static_cast<double>(cycles) / (static_cast<double>(state.iterations()) * static_cast<double>(kBufferSize));
#endif
}

void Ours(benchmark::State& state, Algorithm algorithm, bool encrypt) {
    auto cipher = pelorin::MakeGroupCipher(static_cast<int>(algorithm), kKey);
    RunOverBuffer(state, [&](std::uint8_t* data, std::size_t size) {
        if (encrypt) {
            cipher->Encrypt({data, size});
        } else {
            cipher->Decrypt({data, size});
        }
    });
}

// OpenSSL through EVP, the library's bulk path. Blowfish, DES and RC4 live
// in its legacy provider.
void OpenSsl(benchmark::State& state, const char* cipherName, int keyLength, bool encrypt) {
    static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    static OSSL_PROVIDER* base = OSSL_PROVIDER_load(nullptr, "default");
    (void)legacy;
    (void)base;
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, cipherName, nullptr);
    if (cipher == nullptr) {
        state.SkipWithError("cipher not available in this OpenSSL");
        return;
    }
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    EVP_CipherInit_ex2(ctx.get(), cipher, nullptr, nullptr, encrypt ? 1 : 0, nullptr);
    EVP_CIPHER_CTX_set_key_length(ctx.get(), keyLength);
    EVP_CipherInit_ex2(ctx.get(), nullptr, kKey.data(), nullptr, encrypt ? 1 : 0, nullptr);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    RunOverBuffer(state, [&](std::uint8_t* data, std::size_t size) {
        int produced = 0;
        EVP_CipherUpdate(ctx.get(), data, &produced, data, static_cast<int>(size));
    });
    EVP_CIPHER_free(cipher);
}

template <class Cipher>
void Cryptopp(benchmark::State& state, std::size_t keyLength, bool encrypt) {
    typename CryptoPP::ECB_Mode<Cipher>::Encryption encryption;
    typename CryptoPP::ECB_Mode<Cipher>::Decryption decryption;
    encryption.SetKey(kKey.data(), keyLength);
    decryption.SetKey(kKey.data(), keyLength);
    RunOverBuffer(state, [&](std::uint8_t* data, std::size_t size) {
        if (encrypt) {
            encryption.ProcessData(data, data, size);
        } else {
            decryption.ProcessData(data, data, size);
        }
    });
}

void CryptoppSafer(benchmark::State& state, bool encrypt) {
    CryptoPP::ECB_Mode<CryptoPP::SAFER_SK>::Encryption encryption;
    CryptoPP::ECB_Mode<CryptoPP::SAFER_SK>::Decryption decryption;
    encryption.SetKeyWithRounds(kKey.data(), 16, 10);
    decryption.SetKeyWithRounds(kKey.data(), 16, 10);
    RunOverBuffer(state, [&](std::uint8_t* data, std::size_t size) {
        if (encrypt) {
            encryption.ProcessData(data, data, size);
        } else {
            decryption.ProcessData(data, data, size);
        }
    });
}

// libgcrypt's Blowfish in the modes its bulk code serves: ECB both ways, and
// the modes that cipher independent blocks side by side (CBC and CFB
// decryption, CTR).
void Gcrypt(benchmark::State& state, int mode, bool encrypt) {
    static const bool ready = gcry_check_version(GCRYPT_VERSION) != nullptr &&
                              gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0) == 0;
    gcry_cipher_hd_t handle = nullptr;
    if (!ready || gcry_cipher_open(&handle, GCRY_CIPHER_BLOWFISH, mode, 0) != 0) {
        state.SkipWithError("libgcrypt Blowfish not available");
        return;
    }
    gcry_cipher_setkey(handle, kKey.data(), 16);
    const std::uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    if (mode == GCRY_CIPHER_MODE_CTR) {
        gcry_cipher_setctr(handle, iv, sizeof iv);
    } else if (mode != GCRY_CIPHER_MODE_ECB) {
        gcry_cipher_setiv(handle, iv, sizeof iv);
    }
    RunOverBuffer(state, [&](std::uint8_t* data, std::size_t size) {
        if (encrypt) {
            gcry_cipher_encrypt(handle, data, size, nullptr, 0);
        } else {
            gcry_cipher_decrypt(handle, data, size, nullptr, 0);
        }
    });
    gcry_cipher_close(handle);
}

void PasskeyCheck(benchmark::State& state) {
    const std::vector<std::uint8_t> passkey = {'c', 'o', 'r', 'r', 'e', 'c', 't'};
    const std::array<std::uint8_t, 8> salt = {1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) benchmark::DoNotOptimize(pelorin::ComputePasskeyCheck(passkey, salt));
}

void RegisterAll() {
    struct Ours {
        const char* name;
        Algorithm algorithm;
    };
    const Ours ours[] = {{"ASCII", Algorithm::Ascii},   {"Blowfish", Algorithm::Blowfish},
                         {"DES", Algorithm::Des},       {"IDEA", Algorithm::Idea},
                         {"NewDES", Algorithm::NewDes}, {"PseudoRC4", Algorithm::PseudoRc4},
                         {"Safer", Algorithm::Safer},   {"Vigenere", Algorithm::Vigenere}};
    for (const auto& o : ours) {
        for (bool encrypt : {true, false}) {
            const std::string name = std::string("pelorin/") + o.name + (encrypt ? "/enc" : "/dec");
            benchmark::RegisterBenchmark(name.c_str(), ::Ours, o.algorithm, encrypt)->Unit(benchmark::kMillisecond);
        }
    }
    for (bool encrypt : {true, false}) {
        const char* dir = encrypt ? "/enc" : "/dec";
        benchmark::RegisterBenchmark((std::string("openssl/Blowfish") + dir).c_str(), OpenSsl, "BF-ECB", 16, encrypt)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("openssl/DES") + dir).c_str(), OpenSsl, "DES-ECB", 8, encrypt)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("openssl/RC4") + dir).c_str(), OpenSsl, "RC4", 16, encrypt)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("cryptopp/Blowfish") + dir).c_str(), Cryptopp<CryptoPP::Blowfish>,
                                     16, encrypt)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("cryptopp/DES") + dir).c_str(), Cryptopp<CryptoPP::DES>, 8, encrypt)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("cryptopp/IDEA") + dir).c_str(), Cryptopp<CryptoPP::IDEA>, 16,
                                     encrypt)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("cryptopp/Safer") + dir).c_str(), CryptoppSafer, encrypt)
            ->Unit(benchmark::kMillisecond);
    }
    const struct {
        const char* name;
        int mode;
        bool encrypt;
    } gcrypt[] = {{"gcrypt/Blowfish/enc", GCRY_CIPHER_MODE_ECB, true},
                  {"gcrypt/Blowfish/dec", GCRY_CIPHER_MODE_ECB, false},
                  {"gcrypt/Blowfish/cbc-dec", GCRY_CIPHER_MODE_CBC, false},
                  {"gcrypt/Blowfish/cfb-dec", GCRY_CIPHER_MODE_CFB, false},
                  {"gcrypt/Blowfish/ctr", GCRY_CIPHER_MODE_CTR, true}};
    for (const auto& g : gcrypt) {
        benchmark::RegisterBenchmark(g.name, Gcrypt, g.mode, g.encrypt)->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("pelorin/PasskeyCheck/compute", PasskeyCheck)->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
