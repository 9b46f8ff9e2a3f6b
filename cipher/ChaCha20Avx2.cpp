// Eight ChaCha20 blocks side by side: register x[i] holds word i of blocks
// n..n+7, one block per 32-bit lane. After the rounds, each group of four
// registers is transposed within its two 128-bit halves, which gives four
// words of blocks n..n+3 in the low halves and of blocks n+4..n+7 in the high
// halves; pairing the halves of two groups makes 32 contiguous bytes of one
// block. The rotations by 16 and 8 are byte shuffles. Only this file is
// compiled for AVX2, and only its functions carry that target.
#include "cipher/ChaCha20Kernels.h"

#ifdef PELORIN_VECTOR_VARIANTS

#include <immintrin.h>

#define PELORIN_AVX2 __attribute__((target("avx2")))

namespace pelorin::chacha20 {
namespace {

constexpr std::size_t kGroup = 8;

template <int N>
PELORIN_AVX2 inline __m256i RotateLeft(__m256i v) {
    if constexpr (N == 16) {
        return _mm256_shuffle_epi8(v, _mm256_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13, 2, 3, 0,
                                                       1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13));
    } else if constexpr (N == 8) {
        return _mm256_shuffle_epi8(v, _mm256_setr_epi8(3, 0, 1, 2, 7, 4, 5, 6, 11, 8, 9, 10, 15, 12, 13, 14, 3, 0, 1,
                                                       2, 7, 4, 5, 6, 11, 8, 9, 10, 15, 12, 13, 14));
    } else {
        return _mm256_or_si256(_mm256_slli_epi32(v, N), _mm256_srli_epi32(v, 32 - N));
    }
}

PELORIN_AVX2 inline void QuarterRound(__m256i& a, __m256i& b, __m256i& c, __m256i& d) {
    a = _mm256_add_epi32(a, b);
    d = RotateLeft<16>(_mm256_xor_si256(d, a));
    c = _mm256_add_epi32(c, d);
    b = RotateLeft<12>(_mm256_xor_si256(b, c));
    a = _mm256_add_epi32(a, b);
    d = RotateLeft<8>(_mm256_xor_si256(d, a));
    c = _mm256_add_epi32(c, d);
    b = RotateLeft<7>(_mm256_xor_si256(b, c));
}

// a..d hold words w..w+3 of the eight blocks; afterwards a..d hold, in
// their low halves, those words of blocks 0..3 and, in their high halves,
// of blocks 4..7.
PELORIN_AVX2 inline void TransposeHalves(__m256i& a, __m256i& b, __m256i& c, __m256i& d) {
    const __m256i ab01 = _mm256_unpacklo_epi32(a, b);
    const __m256i cd01 = _mm256_unpacklo_epi32(c, d);
    const __m256i ab23 = _mm256_unpackhi_epi32(a, b);
    const __m256i cd23 = _mm256_unpackhi_epi32(c, d);
    a = _mm256_unpacklo_epi64(ab01, cd01);
    b = _mm256_unpackhi_epi64(ab01, cd01);
    c = _mm256_unpacklo_epi64(ab23, cd23);
    d = _mm256_unpackhi_epi64(ab23, cd23);
}

PELORIN_AVX2 inline void XorAt(__m256i keystream, const std::uint8_t* in, std::uint8_t* out, std::size_t at) {
    const __m256i data = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + at));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at), _mm256_xor_si256(data, keystream));
}

// `low` and `high` hold words 8h..8h+3 and 8h+4..8h+7 (h = 0 or 1) of the
// blocks as TransposeHalves left them: their halves paired give bytes
// 32h..32h+31 of each block.
PELORIN_AVX2 inline void XorHalfBlocks(const __m256i low[4], const __m256i high[4], const std::uint8_t* in,
                                       std::uint8_t* out, std::size_t offset) {
    for (std::size_t block = 0; block < 4; ++block) {
        XorAt(_mm256_permute2x128_si256(low[block], high[block], 0x20), in, out, block * 64 + offset);
        XorAt(_mm256_permute2x128_si256(low[block], high[block], 0x31), in, out, (block + 4) * 64 + offset);
    }
}

// One group of eight blocks XORed into the data; `during(round)` runs
// inside each of the ten double rounds, so that scalar work given to it
// (the authenticator's multiplications) executes beside the vector work.
template <class During>
PELORIN_AVX2 inline void XorGroup(const std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out,
                                  During during) {
    __m256i x[16];
    for (int i = 0; i < 16; ++i) x[i] = _mm256_set1_epi32(static_cast<int>(state[i]));
    x[12] = _mm256_add_epi32(x[12], _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i counters = x[12];
    for (int round = 0; round < 10; ++round) {
        QuarterRound(x[0], x[4], x[8], x[12]);
        QuarterRound(x[1], x[5], x[9], x[13]);
        QuarterRound(x[2], x[6], x[10], x[14]);
        QuarterRound(x[3], x[7], x[11], x[15]);
        QuarterRound(x[0], x[5], x[10], x[15]);
        QuarterRound(x[1], x[6], x[11], x[12]);
        QuarterRound(x[2], x[7], x[8], x[13]);
        QuarterRound(x[3], x[4], x[9], x[14]);
        during(round);
    }
    for (int i = 0; i < 16; ++i) {
        x[i] = _mm256_add_epi32(x[i], i == 12 ? counters : _mm256_set1_epi32(static_cast<int>(state[i])));
    }
    for (int g = 0; g < 4; ++g) TransposeHalves(x[4 * g], x[4 * g + 1], x[4 * g + 2], x[4 * g + 3]);
    XorHalfBlocks(&x[0], &x[4], in, out, 0);
    XorHalfBlocks(&x[8], &x[12], in, out, 32);
}

constexpr std::size_t kGroupBytes = kGroup * 64;
// A group is 32 authenticator blocks: eight steps of four, one in each of
// the first eight double rounds.
constexpr int kMacSteps = kGroupBytes / 64;

}  // namespace

PELORIN_AVX2 void XorBlocksAvx2(std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out,
                                std::size_t blocks) {
    for (; blocks >= kGroup; blocks -= kGroup, in += kGroupBytes, out += kGroupBytes) {
        XorGroup(state, in, out, [](int) {});
        state[12] += kGroup;
    }
    if (blocks > 0) XorBlocksSse2(state, in, out, blocks);
}

PELORIN_AVX2 void SealGroupsAvx2(std::uint32_t state[16], poly1305::State& mac, const std::uint8_t* in,
                                 std::uint8_t* out, std::size_t groups) {
    for (std::size_t group = 0; group < groups; ++group) {
        const std::uint8_t* previous = group > 0 ? out + (group - 1) * kGroupBytes : nullptr;
        XorGroup(state, in + group * kGroupBytes, out + group * kGroupBytes, [&](int round) {
            if (previous != nullptr && round < kMacSteps) poly1305::FourBlocks(mac, previous + 64 * round);
        });
        state[12] += kGroup;
    }
    if (groups > 0) {
        const std::uint8_t* last = out + (groups - 1) * kGroupBytes;
        for (int step = 0; step < kMacSteps; ++step) poly1305::FourBlocks(mac, last + 64 * step);
    }
}

PELORIN_AVX2 void OpenGroupsAvx2(std::uint32_t state[16], poly1305::State& mac, const std::uint8_t* in,
                                 std::uint8_t* out, std::size_t groups) {
    for (std::size_t group = 0; group < groups; ++group) {
        const std::uint8_t* sealed = in + group * kGroupBytes;
        // The authenticator reads the group in the rounds, before the
        // deciphered bytes are stored (over it, when in place).
        XorGroup(state, sealed, out + group * kGroupBytes, [&](int round) {
            if (round < kMacSteps) poly1305::FourBlocks(mac, sealed + 64 * round);
        });
        state[12] += kGroup;
    }
}

}  // namespace pelorin::chacha20

#endif
