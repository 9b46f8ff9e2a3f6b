// Four ChaCha20 blocks side by side: register x[i] holds word i of blocks
// n..n+3, one block per 32-bit lane, so a quarter round on the registers is
// the same quarter round on four blocks. At the end each group of four
// registers is transposed back into four 16-byte pieces of the four blocks.
// SSE2 only: the rotation by 16 is a 16-bit word shuffle, the others shifts.
#include "cipher/ChaCha20Kernels.h"

#ifdef PELORIN_VECTOR_VARIANTS

#include <emmintrin.h>

namespace pelorin::chacha20 {
namespace {

constexpr std::size_t kGroup = 4;

template <int N>
inline __m128i RotateLeft(__m128i v) {
    if constexpr (N == 16) {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xB1), 0xB1);
    } else {
        return _mm_or_si128(_mm_slli_epi32(v, N), _mm_srli_epi32(v, 32 - N));
    }
}

inline void QuarterRound(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
    a = _mm_add_epi32(a, b);
    d = RotateLeft<16>(_mm_xor_si128(d, a));
    c = _mm_add_epi32(c, d);
    b = RotateLeft<12>(_mm_xor_si128(b, c));
    a = _mm_add_epi32(a, b);
    d = RotateLeft<8>(_mm_xor_si128(d, a));
    c = _mm_add_epi32(c, d);
    b = RotateLeft<7>(_mm_xor_si128(b, c));
}

// Transposes a..d (word w of blocks 0..3 each) into four pieces (words of
// one block each) and XORs them into the data at `offset` of each block.
inline void XorPieces(__m128i a, __m128i b, __m128i c, __m128i d, const std::uint8_t* in, std::uint8_t* out,
                      std::size_t offset) {
    const __m128i ab01 = _mm_unpacklo_epi32(a, b);
    const __m128i cd01 = _mm_unpacklo_epi32(c, d);
    const __m128i ab23 = _mm_unpackhi_epi32(a, b);
    const __m128i cd23 = _mm_unpackhi_epi32(c, d);
    const __m128i pieces[4] = {_mm_unpacklo_epi64(ab01, cd01), _mm_unpackhi_epi64(ab01, cd01),
                               _mm_unpacklo_epi64(ab23, cd23), _mm_unpackhi_epi64(ab23, cd23)};
    for (std::size_t block = 0; block < kGroup; ++block) {
        const std::size_t at = block * 64 + offset;
        const __m128i data = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_xor_si128(data, pieces[block]));
    }
}

}  // namespace

void XorBlocksSse2(std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    for (; blocks >= kGroup; blocks -= kGroup, in += kGroup * 64, out += kGroup * 64) {
        __m128i start[16];
        for (int i = 0; i < 16; ++i) start[i] = _mm_set1_epi32(static_cast<int>(state[i]));
        start[12] = _mm_add_epi32(start[12], _mm_set_epi32(3, 2, 1, 0));
        __m128i x[16];
        for (int i = 0; i < 16; ++i) x[i] = start[i];
        for (int round = 0; round < 10; ++round) {
            QuarterRound(x[0], x[4], x[8], x[12]);
            QuarterRound(x[1], x[5], x[9], x[13]);
            QuarterRound(x[2], x[6], x[10], x[14]);
            QuarterRound(x[3], x[7], x[11], x[15]);
            QuarterRound(x[0], x[5], x[10], x[15]);
            QuarterRound(x[1], x[6], x[11], x[12]);
            QuarterRound(x[2], x[7], x[8], x[13]);
            QuarterRound(x[3], x[4], x[9], x[14]);
        }
        for (int i = 0; i < 16; ++i) x[i] = _mm_add_epi32(x[i], start[i]);
        for (std::size_t g = 0; g < 4; ++g) XorPieces(x[4 * g], x[4 * g + 1], x[4 * g + 2], x[4 * g + 3], in, out, 16 * g);
        state[12] += kGroup;
    }
    XorBlocksPortable(state, in, out, blocks);
}

}  // namespace pelorin::chacha20

#endif
