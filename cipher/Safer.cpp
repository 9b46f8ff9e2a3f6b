#include "cipher/Safer.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "cipher/Scramble.h"

namespace pelorin {
namespace {

using Byte = std::uint8_t;

inline Byte RotateByte(Byte v, int n) { return static_cast<Byte>((v << n) | (v >> (8 - n))); }

// Two-point pseudo-Hadamard transform (2x + y, x + y) and its inverse.
inline void Pht(Byte& x, Byte& y) {
    y = static_cast<Byte>(y + x);
    x = static_cast<Byte>(x + y);
}

inline void InversePht(Byte& x, Byte& y) {
    x = static_cast<Byte>(x - y);
    y = static_cast<Byte>(y - x);
}

struct Block {
    Byte a, b, c, d, e, f, g, h;
};

inline Block Load(const Byte* p) { return {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]}; }

inline void Store(const Block& x, Byte* p) {
    p[0] = x.a; p[1] = x.b; p[2] = x.c; p[3] = x.d;
    p[4] = x.e; p[5] = x.f; p[6] = x.g; p[7] = x.h;
}

// XOR, add, add, XOR, XOR, add, add, XOR.
inline void MixKey(Block& x, const Byte* k) {
    x.a ^= k[0];
    x.b = static_cast<Byte>(x.b + k[1]);
    x.c = static_cast<Byte>(x.c + k[2]);
    x.d ^= k[3];
    x.e ^= k[4];
    x.f = static_cast<Byte>(x.f + k[5]);
    x.g = static_cast<Byte>(x.g + k[6]);
    x.h ^= k[7];
}

inline void UnmixKey(Block& x, const Byte* k) {
    x.a ^= k[0];
    x.b = static_cast<Byte>(x.b - k[1]);
    x.c = static_cast<Byte>(x.c - k[2]);
    x.d ^= k[3];
    x.e ^= k[4];
    x.f = static_cast<Byte>(x.f - k[5]);
    x.g = static_cast<Byte>(x.g - k[6]);
    x.h ^= k[7];
}

inline void EncryptRound(Block& x, const SaferSchedule& s, const Byte* k) {
    MixKey(x, k);
    x.a = static_cast<Byte>(s.exp[x.a] + k[8]);
    x.b = s.log[x.b] ^ k[9];
    x.c = s.log[x.c] ^ k[10];
    x.d = static_cast<Byte>(s.exp[x.d] + k[11]);
    x.e = static_cast<Byte>(s.exp[x.e] + k[12]);
    x.f = s.log[x.f] ^ k[13];
    x.g = s.log[x.g] ^ k[14];
    x.h = static_cast<Byte>(s.exp[x.h] + k[15]);
    Pht(x.a, x.b); Pht(x.c, x.d); Pht(x.e, x.f); Pht(x.g, x.h);
    Pht(x.a, x.c); Pht(x.e, x.g); Pht(x.b, x.d); Pht(x.f, x.h);
    Pht(x.a, x.e); Pht(x.b, x.f); Pht(x.c, x.g); Pht(x.d, x.h);
    // The byte shuffle between rounds: (a, b, c, d, e, f, g, h) becomes
    // (a, e, b, f, c, g, d, h).
    x = Block{x.a, x.e, x.b, x.f, x.c, x.g, x.d, x.h};
}

inline void DecryptRound(Block& x, const SaferSchedule& s, const Byte* k) {
    x = Block{x.a, x.c, x.e, x.g, x.b, x.d, x.f, x.h};
    InversePht(x.a, x.e); InversePht(x.b, x.f); InversePht(x.c, x.g); InversePht(x.d, x.h);
    InversePht(x.a, x.c); InversePht(x.e, x.g); InversePht(x.b, x.d); InversePht(x.f, x.h);
    InversePht(x.a, x.b); InversePht(x.c, x.d); InversePht(x.e, x.f); InversePht(x.g, x.h);
    x.a = s.log[static_cast<Byte>(x.a - k[8])];
    x.b = s.exp[x.b ^ k[9]];
    x.c = s.exp[x.c ^ k[10]];
    x.d = s.log[static_cast<Byte>(x.d - k[11])];
    x.e = s.log[static_cast<Byte>(x.e - k[12])];
    x.f = s.exp[x.f ^ k[13]];
    x.g = s.exp[x.g ^ k[14]];
    x.h = s.log[static_cast<Byte>(x.h - k[15])];
    UnmixKey(x, k);
}

inline int RoundCount(const SaferSchedule& s) { return std::min<int>(s.rounds, kSaferMaxRounds); }

inline void EncryptBlockWith(const SaferSchedule& s, Block& x) {
    const int rounds = RoundCount(s);
    const Byte* k = s.subkeys;
    for (int r = 0; r < rounds; ++r, k += 16) EncryptRound(x, s, k);
    MixKey(x, k);
}

inline void DecryptBlockWith(const SaferSchedule& s, Block& x) {
    const int rounds = RoundCount(s);
    const Byte* k = s.subkeys + 16 * rounds;
    UnmixKey(x, k);
    for (int r = rounds - 1; r >= 0; --r) {
        k -= 16;
        DecryptRound(x, s, k);
    }
}

template <bool kEncrypt>
void TransformGroups(const SaferSchedule& s, Byte* data, std::size_t groupCount) {
    std::size_t g = 0;
    // Two blocks per step so that their table lookups overlap.
    for (; g + 2 <= groupCount; g += 2) {
        Block x = Load(data + g * 8);
        Block y = Load(data + g * 8 + 8);
        const int rounds = RoundCount(s);
        if constexpr (kEncrypt) {
            const Byte* k = s.subkeys;
            for (int r = 0; r < rounds; ++r, k += 16) {
                EncryptRound(x, s, k);
                EncryptRound(y, s, k);
            }
            MixKey(x, k);
            MixKey(y, k);
        } else {
            const Byte* k = s.subkeys + 16 * rounds;
            UnmixKey(x, k);
            UnmixKey(y, k);
            for (int r = rounds - 1; r >= 0; --r) {
                k -= 16;
                DecryptRound(x, s, k);
                DecryptRound(y, s, k);
            }
        }
        Store(x, data + g * 8);
        Store(y, data + g * 8 + 8);
    }
    for (; g < groupCount; ++g) {
        Block x = Load(data + g * 8);
        if constexpr (kEncrypt) {
            EncryptBlockWith(s, x);
        } else {
            DecryptBlockWith(s, x);
        }
        Store(x, data + g * 8);
    }
}

}  // namespace

SaferKey::SaferKey(std::span<const std::uint8_t> key) : schedule_(kKeyScrubPasses) {
    if (key.size() < 16) throw std::invalid_argument("Safer needs 16 key bytes");
    SaferSchedule& s = *schedule_;
    unsigned power = 1;
    for (int i = 0; i < 256; ++i) {
        s.exp[i] = static_cast<Byte>(power & 0xFF);  // 256 (at i = 128) is stored as 0
        s.log[s.exp[i]] = static_cast<Byte>(i);
        power = (power * 45) % 257;
    }
    s.rounds = static_cast<Byte>(std::min(kSaferRounds, kSaferMaxRounds));

    // Working copies of the key halves, scrubbed like the schedule.
    SecureBox<std::array<Byte, 18>> halves(kKeyScrubPasses);
    Byte* ka = halves->data();
    Byte* kb = halves->data() + 9;
    ka[8] = 0;
    kb[8] = 0;
    Byte* out = s.subkeys;
    for (int j = 0; j < 8; ++j) {
        ka[j] = RotateByte(key[j], 5);
        ka[8] ^= ka[j];
        kb[j] = key[8 + j];
        kb[8] ^= kb[j];
        *out++ = kb[j];
    }
    for (int i = 1; i <= s.rounds; ++i) {
        for (int j = 0; j < 9; ++j) {
            ka[j] = RotateByte(ka[j], 6);
            kb[j] = RotateByte(kb[j], 6);
        }
        for (int j = 0; j < 8; ++j) {
            *out++ = static_cast<Byte>(ka[(j + 2 * i - 1) % 9] + s.exp[s.exp[18 * i + j + 1]]);
        }
        for (int j = 0; j < 8; ++j) {
            *out++ = static_cast<Byte>(kb[(j + 2 * i) % 9] + s.exp[s.exp[18 * i + j + 10]]);
        }
    }
}

void SaferKey::EncryptBlock(std::uint8_t* block) const { EncryptGroups(block, 1); }
void SaferKey::DecryptBlock(std::uint8_t* block) const { DecryptGroups(block, 1); }

void SaferKey::EncryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<true>(*schedule_, data, groupCount);
}

void SaferKey::DecryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<false>(*schedule_, data, groupCount);
}

}  // namespace pelorin
