#pragma once

// Poly1305's arithmetic, shared by the Poly1305 class and the AEAD's fused
// loop that authenticates while it enciphers. Internal to cipher/.
//
// Numbers are three 64-bit limbs of 44, 44 and 42 bits; products are 128-bit.
// p = 2^130 - 5, so 2^130 = 5 and 2^132 = 20 mod p.

#include <cstddef>
#include <cstdint>

#include "cipher/Bytes.h"

namespace pelorin::poly1305 {

using U128 = unsigned __int128;

inline constexpr std::uint64_t kMask44 = (std::uint64_t{1} << 44) - 1;
inline constexpr std::uint64_t kMask42 = (std::uint64_t{1} << 42) - 1;
// The 2^128 bit of a whole block, in the top limb.
inline constexpr std::uint64_t kBlockBit = std::uint64_t{1} << 40;

// A number below about 2^131.
struct Limbs {
    std::uint64_t v[3];
};

// A multiplier and its upper limbs times 20.
struct Power {
    std::uint64_t k[3];
    std::uint64_t k20[3];
};

// The running state: the accumulator h and r, r^2, r^3, r^4.
struct State {
    Power powers[4];
    Limbs h;
};

struct Wide {
    U128 d[3] = {0, 0, 0};
};

// The 16 bytes at `data` as a number, plus `topBit` (kBlockBit or 0).
inline Limbs Load(const std::uint8_t* data, std::uint64_t topBit) {
    const std::uint64_t low = bytes::LoadLe64(data);
    const std::uint64_t high = bytes::LoadLe64(data + 8);
    return Limbs{{low & kMask44, ((low >> 44) | (high << 20)) & kMask44, (high >> 24) | topBit}};
}

inline Limbs Add(const Limbs& a, const Limbs& b) { return Limbs{{a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2]}}; }

// w += a * k. Limb i of a times limb j of k lands at 2^(44 (i + j)) for
// i + j < 3; above, 2^132 = 20 folds it back (2^176 = 20 2^44). Limbs
// below 2^45 and 20 k below 2^49 keep every product below 2^94, so the
// twelve of four multiplications fit a column easily.
inline void MultiplyAdd(Wide& w, const Limbs& a, const Power& p) {
    w.d[0] += U128{a.v[0]} * p.k[0] + U128{a.v[1]} * p.k20[2] + U128{a.v[2]} * p.k20[1];
    w.d[1] += U128{a.v[0]} * p.k[1] + U128{a.v[1]} * p.k[0] + U128{a.v[2]} * p.k20[2];
    w.d[2] += U128{a.v[0]} * p.k[2] + U128{a.v[1]} * p.k[1] + U128{a.v[2]} * p.k[0];
}

// Carries the columns back into limbs; bits from 2^130 up return times 5.
// The middle limb may exceed 44 bits by a few, which the next
// multiplication allows for.
inline Limbs Carry(Wide w) {
    Limbs h;
    w.d[1] += w.d[0] >> 44;
    h.v[0] = static_cast<std::uint64_t>(w.d[0]) & kMask44;
    w.d[2] += w.d[1] >> 44;
    h.v[1] = static_cast<std::uint64_t>(w.d[1]) & kMask44;
    const auto high = static_cast<std::uint64_t>(w.d[2] >> 42);
    h.v[2] = static_cast<std::uint64_t>(w.d[2]) & kMask42;
    h.v[0] += high * 5;
    h.v[1] += h.v[0] >> 44;
    h.v[0] &= kMask44;
    return h;
}

inline Power PowerOf(const Limbs& value) {
    Power power;
    for (int i = 0; i < 3; ++i) {
        power.k[i] = value.v[i];
        power.k20[i] = value.v[i] * 20;
    }
    return power;
}

// h = (h + m) r for one whole block.
inline void OneBlock(State& s, const std::uint8_t* data, std::uint64_t topBit) {
    Wide w;
    MultiplyAdd(w, Add(s.h, Load(data, topBit)), s.powers[0]);
    s.h = Carry(w);
}

// h = (h + m1) r^4 + m2 r^3 + m3 r^2 + m4 r for four whole blocks: the same
// as four single steps, with four independent multiplications.
inline void FourBlocks(State& s, const std::uint8_t* data) {
    Wide w;
    MultiplyAdd(w, Add(s.h, Load(data, kBlockBit)), s.powers[3]);
    MultiplyAdd(w, Load(data + 16, kBlockBit), s.powers[2]);
    MultiplyAdd(w, Load(data + 32, kBlockBit), s.powers[1]);
    MultiplyAdd(w, Load(data + 48, kBlockBit), s.powers[0]);
    s.h = Carry(w);
}

}  // namespace pelorin::poly1305
