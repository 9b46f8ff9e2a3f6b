// Argon2's compression with 256-bit registers. A row of the block (words
// 16i .. 16i+15) is four registers A, B, C, D holding v0..v3, v4..v7,
// v8..v11, v12..v15, so the first four G of P run side by side on the four
// lanes; rotating B, C and D by one, two and three lanes lines up the
// diagonals for the other four, and rotating back restores the order.
// Columns 2m and 2m+1 share registers m, m+4, .., m+28 of the block (the low
// and the high halves); pairing the halves of two consecutive registers gives
// the same A, B, C, D layout for each column. The multiplication of the
// low 32 bits is vpmuludq; the rotations by 32, 24 and 16 are shuffles.
#include "cipher/Argon2Block.h"

#ifdef PELORIN_VECTOR_VARIANTS

#include <immintrin.h>

#define PELORIN_AVX2 __attribute__((target("avx2")))

namespace pelorin::argon2 {
namespace {

PELORIN_AVX2 inline __m256i MultiplyAdd(__m256i a, __m256i b) {
    const __m256i product = _mm256_mul_epu32(a, b);
    return _mm256_add_epi64(_mm256_add_epi64(a, b), _mm256_add_epi64(product, product));
}

PELORIN_AVX2 inline __m256i RotateRight32(__m256i v) { return _mm256_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)); }

PELORIN_AVX2 inline __m256i RotateRight24(__m256i v) {
    return _mm256_shuffle_epi8(v, _mm256_setr_epi8(3, 4, 5, 6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10, 3, 4, 5, 6, 7,
                                                   0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10));
}

PELORIN_AVX2 inline __m256i RotateRight16(__m256i v) {
    return _mm256_shuffle_epi8(v, _mm256_setr_epi8(2, 3, 4, 5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9, 2, 3, 4, 5, 6,
                                                   7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9));
}

PELORIN_AVX2 inline __m256i RotateRight63(__m256i v) { return _mm256_xor_si256(_mm256_srli_epi64(v, 63), _mm256_add_epi64(v, v)); }

PELORIN_AVX2 inline void Mix(__m256i& a, __m256i& b, __m256i& c, __m256i& d) {
    a = MultiplyAdd(a, b);
    d = RotateRight32(_mm256_xor_si256(d, a));
    c = MultiplyAdd(c, d);
    b = RotateRight24(_mm256_xor_si256(b, c));
    a = MultiplyAdd(a, b);
    d = RotateRight16(_mm256_xor_si256(d, a));
    c = MultiplyAdd(c, d);
    b = RotateRight63(_mm256_xor_si256(b, c));
}

PELORIN_AVX2 inline void Permute(__m256i& a, __m256i& b, __m256i& c, __m256i& d) {
    Mix(a, b, c, d);
    b = _mm256_permute4x64_epi64(b, _MM_SHUFFLE(0, 3, 2, 1));
    c = _mm256_permute4x64_epi64(c, _MM_SHUFFLE(1, 0, 3, 2));
    d = _mm256_permute4x64_epi64(d, _MM_SHUFFLE(2, 1, 0, 3));
    Mix(a, b, c, d);
    b = _mm256_permute4x64_epi64(b, _MM_SHUFFLE(2, 1, 0, 3));
    c = _mm256_permute4x64_epi64(c, _MM_SHUFFLE(1, 0, 3, 2));
    d = _mm256_permute4x64_epi64(d, _MM_SHUFFLE(0, 3, 2, 1));
}

PELORIN_AVX2 inline __m256i Load(const Block& block, int index) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(block.v) + index);
}

PELORIN_AVX2 inline void Store(Block& block, int index, __m256i value) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(block.v) + index, value);
}

}  // namespace

PELORIN_AVX2 void CompressAvx2(const Block& x, const Block& y, Block& out, bool xorInto, Scratch& scratch) {
    for (int i = 0; i < 32; ++i) {
        const __m256i r = _mm256_xor_si256(Load(x, i), Load(y, i));
        Store(scratch.r, i, r);
        Store(scratch.q, i, r);
    }
    for (int row = 0; row < 8; ++row) {
        __m256i a = Load(scratch.q, 4 * row), b = Load(scratch.q, 4 * row + 1);
        __m256i c = Load(scratch.q, 4 * row + 2), d = Load(scratch.q, 4 * row + 3);
        Permute(a, b, c, d);
        Store(scratch.q, 4 * row, a);
        Store(scratch.q, 4 * row + 1, b);
        Store(scratch.q, 4 * row + 2, c);
        Store(scratch.q, 4 * row + 3, d);
    }
    for (int m = 0; m < 4; ++m) {
        __m256i in[8];
        for (int k = 0; k < 8; ++k) in[k] = Load(scratch.q, m + 4 * k);
        // Column 2m from the low halves, column 2m+1 from the high halves.
        __m256i a0 = _mm256_permute2x128_si256(in[0], in[1], 0x20), a1 = _mm256_permute2x128_si256(in[0], in[1], 0x31);
        __m256i b0 = _mm256_permute2x128_si256(in[2], in[3], 0x20), b1 = _mm256_permute2x128_si256(in[2], in[3], 0x31);
        __m256i c0 = _mm256_permute2x128_si256(in[4], in[5], 0x20), c1 = _mm256_permute2x128_si256(in[4], in[5], 0x31);
        __m256i d0 = _mm256_permute2x128_si256(in[6], in[7], 0x20), d1 = _mm256_permute2x128_si256(in[6], in[7], 0x31);
        Permute(a0, b0, c0, d0);
        Permute(a1, b1, c1, d1);
        Store(scratch.q, m, _mm256_permute2x128_si256(a0, a1, 0x20));
        Store(scratch.q, m + 4, _mm256_permute2x128_si256(a0, a1, 0x31));
        Store(scratch.q, m + 8, _mm256_permute2x128_si256(b0, b1, 0x20));
        Store(scratch.q, m + 12, _mm256_permute2x128_si256(b0, b1, 0x31));
        Store(scratch.q, m + 16, _mm256_permute2x128_si256(c0, c1, 0x20));
        Store(scratch.q, m + 20, _mm256_permute2x128_si256(c0, c1, 0x31));
        Store(scratch.q, m + 24, _mm256_permute2x128_si256(d0, d1, 0x20));
        Store(scratch.q, m + 28, _mm256_permute2x128_si256(d0, d1, 0x31));
    }
    for (int i = 0; i < 32; ++i) {
        __m256i result = _mm256_xor_si256(Load(scratch.q, i), Load(scratch.r, i));
        if (xorInto) result = _mm256_xor_si256(result, Load(out, i));
        Store(out, i, result);
    }
}

}  // namespace pelorin::argon2

#endif
