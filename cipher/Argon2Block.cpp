#include "cipher/Argon2Block.h"

namespace pelorin::argon2 {
namespace {

inline std::uint64_t RotateRight(std::uint64_t v, int n) { return (v >> n) | (v << (64 - n)); }

// a + b + 2 * lo32(a) * lo32(b): BLAKE2b's addition with a multiplication
// folded in.
inline std::uint64_t MultiplyAdd(std::uint64_t a, std::uint64_t b) {
    constexpr std::uint64_t kLow = 0xffffffff;
    return a + b + 2 * ((a & kLow) * (b & kLow));
}

inline void Mix(std::uint64_t& a, std::uint64_t& b, std::uint64_t& c, std::uint64_t& d) {
    a = MultiplyAdd(a, b);
    d = RotateRight(d ^ a, 32);
    c = MultiplyAdd(c, d);
    b = RotateRight(b ^ c, 24);
    a = MultiplyAdd(a, b);
    d = RotateRight(d ^ a, 16);
    c = MultiplyAdd(c, d);
    b = RotateRight(b ^ c, 63);
}

// P on the sixteen words v0..v15 found at block[index(k)].
template <class Index>
inline void Permute(std::uint64_t* w, Index at) {
    std::uint64_t v[16];
    for (int k = 0; k < 16; ++k) v[k] = w[at(k)];
    Mix(v[0], v[4], v[8], v[12]);
    Mix(v[1], v[5], v[9], v[13]);
    Mix(v[2], v[6], v[10], v[14]);
    Mix(v[3], v[7], v[11], v[15]);
    Mix(v[0], v[5], v[10], v[15]);
    Mix(v[1], v[6], v[11], v[12]);
    Mix(v[2], v[7], v[8], v[13]);
    Mix(v[3], v[4], v[9], v[14]);
    for (int k = 0; k < 16; ++k) w[at(k)] = v[k];
}

}  // namespace

void CompressPortable(const Block& x, const Block& y, Block& out, bool xorInto, Scratch& scratch) {
    std::uint64_t* r = scratch.r.v;
    std::uint64_t* q = scratch.q.v;
    for (std::size_t i = 0; i < kBlockWords; ++i) q[i] = r[i] = x.v[i] ^ y.v[i];
    // Rows: the eight 16-byte registers R(8i) .. R(8i+7), words 16i .. 16i+15.
    for (int row = 0; row < 8; ++row) Permute(q, [row](int k) { return 16 * row + k; });
    // Columns: registers R(j), R(j+8), .. R(j+56); register R(n) is words
    // 2n (low half) and 2n+1.
    for (int column = 0; column < 8; ++column) {
        Permute(q, [column](int k) { return 2 * column + 16 * (k / 2) + (k % 2); });
    }
    if (xorInto) {
        for (std::size_t i = 0; i < kBlockWords; ++i) out.v[i] ^= q[i] ^ r[i];
    } else {
        for (std::size_t i = 0; i < kBlockWords; ++i) out.v[i] = q[i] ^ r[i];
    }
}

}  // namespace pelorin::argon2
