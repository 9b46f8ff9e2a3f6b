#include "cipher/Safer.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "cipher/Scramble.h"

namespace pelorin {
namespace {

using Byte = std::uint8_t;

inline Byte RotateByte(Byte v, int n) { return static_cast<Byte>((v << n) | (v >> (8 - n))); }

// Positions whose first key layer is XOR and whose substitution is exp; the
// others add the key and take log. The second key layer is the other way
// round (add after exp, XOR after log).
constexpr bool kExpPosition[8] = {true, false, false, true, true, false, false, true};

// Block bytes are held in wide registers between lookups; only the low 8
// bits are meaningful, and they are masked where a byte is needed.
struct Block {
    unsigned a, b, c, d, e, f, g, h;
};

inline Block Load(const Byte* p) { return {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]}; }

inline void Store(const Block& x, Byte* p) {
    p[0] = static_cast<Byte>(x.a); p[1] = static_cast<Byte>(x.b);
    p[2] = static_cast<Byte>(x.c); p[3] = static_cast<Byte>(x.d);
    p[4] = static_cast<Byte>(x.e); p[5] = static_cast<Byte>(x.f);
    p[6] = static_cast<Byte>(x.g); p[7] = static_cast<Byte>(x.h);
}

// Two-point pseudo-Hadamard transform (2x + y, x + y) and its inverse.
inline void Pht(unsigned& x, unsigned& y) {
    y += x;
    x += y;
}

inline void InversePht(unsigned& x, unsigned& y) {
    x -= y;
    y -= x;
}

// XOR, add, add, XOR, XOR, add, add, XOR: the key layer after the last round.
inline void MixKey(Block& x, const Byte* k) {
    x.a = (x.a ^ k[0]) & 0xFF;
    x.b = (x.b + k[1]) & 0xFF;
    x.c = (x.c + k[2]) & 0xFF;
    x.d = (x.d ^ k[3]) & 0xFF;
    x.e = (x.e ^ k[4]) & 0xFF;
    x.f = (x.f + k[5]) & 0xFF;
    x.g = (x.g + k[6]) & 0xFF;
    x.h = (x.h ^ k[7]) & 0xFF;
}

inline void UnmixKey(Block& x, const Byte* k) {
    x.a = (x.a ^ k[0]) & 0xFF;
    x.b = (x.b - k[1]) & 0xFF;
    x.c = (x.c - k[2]) & 0xFF;
    x.d = (x.d ^ k[3]) & 0xFF;
    x.e = (x.e ^ k[4]) & 0xFF;
    x.f = (x.f - k[5]) & 0xFF;
    x.g = (x.g - k[6]) & 0xFF;
    x.h = (x.h ^ k[7]) & 0xFF;
}

using RoundTable = Byte[8][256];

inline void EncryptRound(Block& x, const RoundTable& t) {
    x.a = t[0][x.a & 0xFF]; x.b = t[1][x.b & 0xFF]; x.c = t[2][x.c & 0xFF]; x.d = t[3][x.d & 0xFF];
    x.e = t[4][x.e & 0xFF]; x.f = t[5][x.f & 0xFF]; x.g = t[6][x.g & 0xFF]; x.h = t[7][x.h & 0xFF];
    Pht(x.a, x.b); Pht(x.c, x.d); Pht(x.e, x.f); Pht(x.g, x.h);
    Pht(x.a, x.c); Pht(x.e, x.g); Pht(x.b, x.d); Pht(x.f, x.h);
    Pht(x.a, x.e); Pht(x.b, x.f); Pht(x.c, x.g); Pht(x.d, x.h);
    // The byte shuffle between rounds: (a, b, c, d, e, f, g, h) becomes
    // (a, e, b, f, c, g, d, h).
    x = Block{x.a, x.e, x.b, x.f, x.c, x.g, x.d, x.h};
}

inline void DecryptRound(Block& x, const RoundTable& t) {
    x = Block{x.a, x.c, x.e, x.g, x.b, x.d, x.f, x.h};
    InversePht(x.a, x.e); InversePht(x.b, x.f); InversePht(x.c, x.g); InversePht(x.d, x.h);
    InversePht(x.a, x.c); InversePht(x.e, x.g); InversePht(x.b, x.d); InversePht(x.f, x.h);
    InversePht(x.a, x.b); InversePht(x.c, x.d); InversePht(x.e, x.f); InversePht(x.g, x.h);
    x.a = t[0][x.a & 0xFF]; x.b = t[1][x.b & 0xFF]; x.c = t[2][x.c & 0xFF]; x.d = t[3][x.d & 0xFF];
    x.e = t[4][x.e & 0xFF]; x.f = t[5][x.f & 0xFF]; x.g = t[6][x.g & 0xFF]; x.h = t[7][x.h & 0xFF];
}

inline int RoundCount(const SaferSchedule& s) { return std::min<int>(s.rounds, kSaferRounds); }

template <bool kEncrypt>
void TransformGroups(const SaferSchedule& s, const SaferRoundTables& t, Byte* data, std::size_t groupCount) {
    const int rounds = RoundCount(s);
    const Byte* last = s.subkeys + 16 * rounds;
    std::size_t g = 0;
    // Two blocks per step so that their table lookups overlap.
    for (; g + 2 <= groupCount; g += 2) {
        Block x = Load(data + g * 8);
        Block y = Load(data + g * 8 + 8);
        if constexpr (kEncrypt) {
            for (int r = 0; r < rounds; ++r) {
                EncryptRound(x, t.forward[r]);
                EncryptRound(y, t.forward[r]);
            }
            MixKey(x, last);
            MixKey(y, last);
        } else {
            UnmixKey(x, last);
            UnmixKey(y, last);
            for (int r = rounds - 1; r >= 0; --r) {
                DecryptRound(x, t.backward[r]);
                DecryptRound(y, t.backward[r]);
            }
        }
        Store(x, data + g * 8);
        Store(y, data + g * 8 + 8);
    }
    for (; g < groupCount; ++g) {
        Block x = Load(data + g * 8);
        if constexpr (kEncrypt) {
            for (int r = 0; r < rounds; ++r) EncryptRound(x, t.forward[r]);
            MixKey(x, last);
        } else {
            UnmixKey(x, last);
            for (int r = rounds - 1; r >= 0; --r) DecryptRound(x, t.backward[r]);
        }
        Store(x, data + g * 8);
    }
}

void FillRoundTables(const SaferSchedule& s, SaferRoundTables& t) {
    for (int r = 0; r < RoundCount(s); ++r) {
        const Byte* first = s.subkeys + 16 * r;
        const Byte* second = first + 8;
        for (int p = 0; p < 8; ++p) {
            for (int v = 0; v < 256; ++v) {
                Byte out;
                if (kExpPosition[p]) {
                    out = static_cast<Byte>(s.exp[static_cast<Byte>(v ^ first[p])] + second[p]);
                } else {
                    out = static_cast<Byte>(s.log[static_cast<Byte>(v + first[p])] ^ second[p]);
                }
                t.forward[r][p][v] = out;
                t.backward[r][p][out] = static_cast<Byte>(v);
            }
        }
    }
}

}  // namespace

SaferKey::SaferKey(std::span<const std::uint8_t> key) : schedule_(kKeyScrubPasses), tables_(kKeyScrubPasses) {
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
    FillRoundTables(s, *tables_);
}

void SaferKey::EncryptBlock(std::uint8_t* block) const { EncryptGroups(block, 1); }
void SaferKey::DecryptBlock(std::uint8_t* block) const { DecryptGroups(block, 1); }

void SaferKey::EncryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<true>(*schedule_, *tables_, data, groupCount);
}

void SaferKey::DecryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<false>(*schedule_, *tables_, data, groupCount);
}

}  // namespace pelorin
