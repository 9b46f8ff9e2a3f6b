#include "cipher/Poly1305.h"

#include <stdexcept>

#include "cipher/Bytes.h"
#include "cipher/Scramble.h"

namespace pelorin {
namespace {

using U128 = unsigned __int128;

constexpr std::uint64_t kMask44 = (std::uint64_t{1} << 44) - 1;
constexpr std::uint64_t kMask42 = (std::uint64_t{1} << 42) - 1;
// The 2^128 bit of a whole block, in the top limb.
constexpr std::uint64_t kBlockBit = std::uint64_t{1} << 40;

// r with the bits RFC 8439 clears: the top four of every 32-bit word and
// the bottom two of the upper three.
constexpr std::uint64_t kClampLow = 0x0ffffffc0fffffff;
constexpr std::uint64_t kClampHigh = 0x0ffffffc0ffffffc;

struct Wide {
    U128 d[3] = {0, 0, 0};
};

template <class Limbs>
inline Limbs Split(std::uint64_t low, std::uint64_t high, std::uint64_t topBit) {
    return Limbs{{low & kMask44, ((low >> 44) | (high << 20)) & kMask44, (high >> 24) | topBit}};
}

// w += a * k. Limb i of a times limb j of k lands at 2^(44 (i + j)) for
// i + j < 3; above, 2^132 = 20 mod p folds it back (2^176 = 20 2^44).
// Limbs below 2^45 and 20 k below 2^49 keep every product below 2^94, so
// the twelve of four multiplications fit a column easily.
template <class Limbs, class Power>
inline void MultiplyAdd(Wide& w, const Limbs& a, const Power& p) {
    w.d[0] += U128{a.v[0]} * p.k[0] + U128{a.v[1]} * p.k20[2] + U128{a.v[2]} * p.k20[1];
    w.d[1] += U128{a.v[0]} * p.k[1] + U128{a.v[1]} * p.k[0] + U128{a.v[2]} * p.k20[2];
    w.d[2] += U128{a.v[0]} * p.k[2] + U128{a.v[1]} * p.k[1] + U128{a.v[2]} * p.k[0];
}

// Carries the columns back into limbs; bits from 2^130 up return times 5.
// The result's middle limb may exceed 44 bits by a few, which the next
// multiplication allows for.
template <class Limbs>
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

template <class Limbs>
inline Limbs Add(const Limbs& a, const Limbs& b) {
    return Limbs{{a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2]}};
}

}  // namespace

Poly1305::Poly1305(std::span<const std::uint8_t, kKeySize> key)
    : s_{bytes::LoadLe64(key.data() + 16), bytes::LoadLe64(key.data() + 24)} {
    const auto r = Split<Limbs>(bytes::LoadLe64(key.data()) & kClampLow, bytes::LoadLe64(key.data() + 8) & kClampHigh, 0);
    for (int i = 0; i < 3; ++i) {
        powers_[0].k[i] = r.v[i];
        powers_[0].k20[i] = r.v[i] * 20;
    }
}

Poly1305::~Poly1305() {
    ScrubWorkingState(powers_, sizeof powers_);
    ScrubWorkingState(s_, sizeof s_);
    ScrubWorkingState(&h_, sizeof h_);
    ScrubWorkingState(partial_, sizeof partial_);
}

void Poly1305::PreparePowers() {
    for (int n = 1; n < 4; ++n) {
        const Limbs previous{{powers_[n - 1].k[0], powers_[n - 1].k[1], powers_[n - 1].k[2]}};
        Wide w;
        MultiplyAdd(w, previous, powers_[0]);
        const Limbs power = Carry<Limbs>(w);
        for (int i = 0; i < 3; ++i) {
            powers_[n].k[i] = power.v[i];
            powers_[n].k20[i] = power.v[i] * 20;
        }
    }
    powersReady_ = true;
}

// h = (h + block + highBit 2^128) r mod 2^130 - 5, block after block; four
// at a time as h = (h + m1) r^4 + m2 r^3 + m3 r^2 + m4 r, which is the same.
void Poly1305::Blocks(const std::uint8_t* data, std::size_t blocks, std::uint64_t highBit) {
    const std::uint64_t topBit = highBit ? kBlockBit : 0;
    const auto block = [&](std::size_t i) {
        return Split<Limbs>(bytes::LoadLe64(data + 16 * i), bytes::LoadLe64(data + 16 * i + 8), topBit);
    };
    Limbs h = h_;
    if (blocks >= 4 && !powersReady_) PreparePowers();
    for (; blocks >= 4; blocks -= 4, data += 4 * kBlockSize) {
        Wide w;
        MultiplyAdd(w, Add(h, block(0)), powers_[3]);
        MultiplyAdd(w, block(1), powers_[2]);
        MultiplyAdd(w, block(2), powers_[1]);
        MultiplyAdd(w, block(3), powers_[0]);
        h = Carry<Limbs>(w);
    }
    for (; blocks > 0; --blocks, data += kBlockSize) {
        Wide w;
        MultiplyAdd(w, Add(h, block(0)), powers_[0]);
        h = Carry<Limbs>(w);
    }
    h_ = h;
}

Poly1305& Poly1305::Update(std::span<const std::uint8_t> data) {
    if (finished_) throw std::logic_error("Poly1305: updated after Final");
    std::size_t at = 0;
    if (partialLength_ > 0) {
        while (partialLength_ < kBlockSize && at < data.size()) partial_[partialLength_++] = data[at++];
        if (partialLength_ < kBlockSize) return *this;
        Blocks(partial_, 1, 1);
        partialLength_ = 0;
    }
    const std::size_t whole = (data.size() - at) / kBlockSize;
    Blocks(data.data() + at, whole, 1);
    at += whole * kBlockSize;
    while (at < data.size()) partial_[partialLength_++] = data[at++];
    return *this;
}

Poly1305& Poly1305::PadToBlock() {
    if (finished_) throw std::logic_error("Poly1305: updated after Final");
    if (partialLength_ > 0) {
        for (std::size_t i = partialLength_; i < kBlockSize; ++i) partial_[i] = 0;
        Blocks(partial_, 1, 1);
        partialLength_ = 0;
    }
    return *this;
}

void Poly1305::Final(std::span<std::uint8_t, kTagSize> tag) {
    if (finished_) throw std::logic_error("Poly1305: Final called twice");
    if (partialLength_ > 0) {
        // The last piece gets a 1 byte after it instead of the 2^128 bit.
        partial_[partialLength_] = 1;
        for (std::size_t i = partialLength_ + 1; i < kBlockSize; ++i) partial_[i] = 0;
        Blocks(partial_, 1, 0);
    }
    // Carry fully (h below 2^130 + a little afterwards), then take h - p
    // when h + 5 reaches 2^130.
    std::uint64_t h0 = h_.v[0], h1 = h_.v[1], h2 = h_.v[2];
    for (int round = 0; round < 2; ++round) {
        h2 += h1 >> 44;
        h1 &= kMask44;
        h0 += (h2 >> 42) * 5;
        h2 &= kMask42;
        h1 += h0 >> 44;
        h0 &= kMask44;
    }
    std::uint64_t g0 = h0 + 5;
    std::uint64_t g1 = h1 + (g0 >> 44);
    g0 &= kMask44;
    const std::uint64_t g2 = h2 + (g1 >> 44) - (std::uint64_t{1} << 42);
    g1 &= kMask44;
    const std::uint64_t useG = (g2 >> 63) - 1;  // all ones when g2 did not go below zero
    h0 = (h0 & ~useG) | (g0 & useG);
    h1 = (h1 & ~useG) | (g1 & useG);
    h2 = (h2 & ~useG) | (g2 & useG);
    const std::uint64_t low = h0 | (h1 << 44);
    const std::uint64_t high = (h1 >> 20) | (h2 << 24);
    const U128 sum = U128{low} + s_[0];
    bytes::StoreLe64(tag.data(), static_cast<std::uint64_t>(sum));
    bytes::StoreLe64(tag.data() + 8, high + s_[1] + static_cast<std::uint64_t>(sum >> 64));
    finished_ = true;
    ScrubWorkingState(powers_, sizeof powers_);
    ScrubWorkingState(s_, sizeof s_);
    ScrubWorkingState(&h_, sizeof h_);
    ScrubWorkingState(partial_, sizeof partial_);
}

bool TagsEqual(std::span<const std::uint8_t, Poly1305::kTagSize> a, std::span<const std::uint8_t, Poly1305::kTagSize> b) {
    std::uint32_t difference = 0;
    for (std::size_t i = 0; i < Poly1305::kTagSize; ++i) difference |= static_cast<std::uint32_t>(a[i] ^ b[i]);
#if defined(__GNUC__) || defined(__clang__)
    // Keeps the compiler from ending the loop at the first difference.
    asm("" : "+r"(difference));
#endif
    return ((difference - 1) >> 8) & 1;
}

}  // namespace pelorin
