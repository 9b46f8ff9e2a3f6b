#include "cipher/Idea.h"

#include <stdexcept>

#include "cipher/Bytes.h"
#include "cipher/Scramble.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pelorin {
namespace {

// Multiplication modulo 65537, the word 0 standing for 65536.
inline std::uint16_t Multiply(std::uint32_t x, std::uint32_t y) {
    if (x == 0) return static_cast<std::uint16_t>(1 - y);
    if (y == 0) return static_cast<std::uint16_t>(1 - x);
    const std::uint32_t p = x * y;
    const std::uint32_t low = p & 0xFFFF;
    const std::uint32_t high = p >> 16;
    return static_cast<std::uint16_t>(low - high + (low < high ? 1 : 0));
}

// Inverse modulo 65537 by the extended Euclidean algorithm; 0 (65536) and 1
// are their own inverses.
std::uint16_t MultiplicativeInverse(std::uint16_t x) {
    if (x <= 1) return x;
    std::int64_t t0 = 0, t1 = 1, r0 = 65537, r1 = x;
    while (r1 != 0) {
        const std::int64_t q = r0 / r1;
        std::int64_t next = r0 - q * r1;
        r0 = r1;
        r1 = next;
        next = t0 - q * t1;
        t0 = t1;
        t1 = next;
    }
    if (t0 < 0) t0 += 65537;
    return static_cast<std::uint16_t>(t0);
}

inline std::uint16_t AdditiveInverse(std::uint16_t x) { return static_cast<std::uint16_t>(0x10000 - x); }

void TransformBlock(const std::uint16_t* z, std::uint8_t* block) {
    std::uint32_t x1 = bytes::LoadLe16(block), x2 = bytes::LoadLe16(block + 2);
    std::uint32_t x3 = bytes::LoadLe16(block + 4), x4 = bytes::LoadLe16(block + 6);
    for (int round = 0; round < 8; ++round, z += 6) {
        x1 = Multiply(x1, z[0]);
        x2 = (x2 + z[1]) & 0xFFFF;
        x3 = (x3 + z[2]) & 0xFFFF;
        x4 = Multiply(x4, z[3]);
        std::uint32_t t2 = Multiply(x1 ^ x3, z[4]);
        const std::uint32_t t1 = Multiply((t2 + (x2 ^ x4)) & 0xFFFF, z[5]);
        t2 = (t2 + t1) & 0xFFFF;
        x1 ^= t1;
        x4 ^= t2;
        const std::uint32_t newX2 = x3 ^ t1;
        x3 = x2 ^ t2;
        x2 = newX2;
    }
    bytes::StoreLe16(block, Multiply(x1, z[0]));
    bytes::StoreLe16(block + 2, static_cast<std::uint16_t>(x3 + z[1]));
    bytes::StoreLe16(block + 4, static_cast<std::uint16_t>(x2 + z[2]));
    bytes::StoreLe16(block + 6, Multiply(x4, z[3]));
}

#if defined(__SSE2__)
// Eight blocks at once: each 16-bit lane of a register holds the same word of
// a different block, so the rounds run unchanged on all eight.
inline __m128i MultiplyLanes(__m128i a, __m128i b) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_mullo_epi16(a, b);
    const __m128i high = _mm_mulhi_epu16(a, b);
    // low - high, plus 1 where high > low (unsigned): notAbove is all ones
    // where high <= low.
    const __m128i notAbove = _mm_cmpeq_epi16(_mm_subs_epu16(high, low), zero);
    const __m128i regular =
        _mm_add_epi16(_mm_sub_epi16(low, high), _mm_add_epi16(notAbove, _mm_set1_epi16(1)));
    // A zero operand stands for 65536: the result is then 1 - a - b.
    const __m128i anyZero = _mm_or_si128(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero));
    const __m128i special = _mm_sub_epi16(_mm_sub_epi16(_mm_set1_epi16(1), a), b);
    return _mm_or_si128(_mm_and_si128(anyZero, special), _mm_andnot_si128(anyZero, regular));
}

void TransformEightBlocks(const std::uint16_t* z, std::uint8_t* data) {
    auto* lanes = reinterpret_cast<__m128i*>(data);
    const __m128i v0 = _mm_loadu_si128(lanes), v1 = _mm_loadu_si128(lanes + 1);
    const __m128i v2 = _mm_loadu_si128(lanes + 2), v3 = _mm_loadu_si128(lanes + 3);
    // Transpose eight blocks of four words into four registers of eight.
    __m128i t0 = _mm_unpacklo_epi16(v0, v1), t1 = _mm_unpackhi_epi16(v0, v1);
    __m128i t2 = _mm_unpacklo_epi16(v2, v3), t3 = _mm_unpackhi_epi16(v2, v3);
    __m128i u0 = _mm_unpacklo_epi16(t0, t1), u1 = _mm_unpackhi_epi16(t0, t1);
    __m128i u2 = _mm_unpacklo_epi16(t2, t3), u3 = _mm_unpackhi_epi16(t2, t3);
    __m128i x1 = _mm_unpacklo_epi64(u0, u2), x2 = _mm_unpackhi_epi64(u0, u2);
    __m128i x3 = _mm_unpacklo_epi64(u1, u3), x4 = _mm_unpackhi_epi64(u1, u3);
    for (int round = 0; round < 8; ++round, z += 6) {
        x1 = MultiplyLanes(x1, _mm_set1_epi16(static_cast<short>(z[0])));
        x2 = _mm_add_epi16(x2, _mm_set1_epi16(static_cast<short>(z[1])));
        x3 = _mm_add_epi16(x3, _mm_set1_epi16(static_cast<short>(z[2])));
        x4 = MultiplyLanes(x4, _mm_set1_epi16(static_cast<short>(z[3])));
        __m128i s2 = MultiplyLanes(_mm_xor_si128(x1, x3), _mm_set1_epi16(static_cast<short>(z[4])));
        const __m128i s1 = MultiplyLanes(_mm_add_epi16(s2, _mm_xor_si128(x2, x4)),
                                         _mm_set1_epi16(static_cast<short>(z[5])));
        s2 = _mm_add_epi16(s2, s1);
        x1 = _mm_xor_si128(x1, s1);
        x4 = _mm_xor_si128(x4, s2);
        const __m128i newX2 = _mm_xor_si128(x3, s1);
        x3 = _mm_xor_si128(x2, s2);
        x2 = newX2;
    }
    const __m128i y1 = MultiplyLanes(x1, _mm_set1_epi16(static_cast<short>(z[0])));
    const __m128i y2 = _mm_add_epi16(x3, _mm_set1_epi16(static_cast<short>(z[1])));
    const __m128i y3 = _mm_add_epi16(x2, _mm_set1_epi16(static_cast<short>(z[2])));
    const __m128i y4 = MultiplyLanes(x4, _mm_set1_epi16(static_cast<short>(z[3])));
    // Transpose back.
    u0 = _mm_unpacklo_epi64(y1, y2);
    u2 = _mm_unpackhi_epi64(y1, y2);
    u1 = _mm_unpacklo_epi64(y3, y4);
    u3 = _mm_unpackhi_epi64(y3, y4);
    t0 = _mm_unpacklo_epi16(u0, u1);
    t1 = _mm_unpackhi_epi16(u0, u1);
    t2 = _mm_unpacklo_epi16(u2, u3);
    t3 = _mm_unpackhi_epi16(u2, u3);
    _mm_storeu_si128(lanes, _mm_unpacklo_epi16(t0, t1));
    _mm_storeu_si128(lanes + 1, _mm_unpackhi_epi16(t0, t1));
    _mm_storeu_si128(lanes + 2, _mm_unpacklo_epi16(t2, t3));
    _mm_storeu_si128(lanes + 3, _mm_unpackhi_epi16(t2, t3));
}
#endif

void TransformGroups(const std::uint16_t* z, std::uint8_t* data, std::size_t groupCount) {
    std::size_t g = 0;
#if defined(__SSE2__)
    for (; g + 8 <= groupCount; g += 8) TransformEightBlocks(z, data + g * 8);
#endif
    for (; g < groupCount; ++g) TransformBlock(z, data + g * 8);
}

}  // namespace

IdeaKey::IdeaKey(std::span<const std::uint8_t> key) : schedule_(kKeyScrubPasses) {
    if (key.size() < 16) throw std::invalid_argument("IDEA needs 16 key bytes");
    std::uint16_t* z = schedule_->encrypt;
    for (int i = 0; i < 8; ++i) z[i] = bytes::LoadLe16(key.data() + 2 * i);
    // Each further group of eight is the previous 128 bits rotated left by 25.
    for (int i = 8; i < kIdeaSubkeys; ++i) {
        const int groupStart = (i / 8 - 1) * 8;
        const int j = i % 8;
        z[i] = static_cast<std::uint16_t>((z[groupStart + (j + 1) % 8] << 9) |
                                          (z[groupStart + (j + 2) % 8] >> 7));
    }
    std::uint16_t* d = schedule_->decrypt;
    d[0] = MultiplicativeInverse(z[48]);
    d[1] = AdditiveInverse(z[49]);
    d[2] = AdditiveInverse(z[50]);
    d[3] = MultiplicativeInverse(z[51]);
    for (int round = 1; round < 8; ++round) {
        const int j = 6 * (8 - round);
        d[6 * round - 2] = z[j + 4];
        d[6 * round - 1] = z[j + 5];
        d[6 * round] = MultiplicativeInverse(z[j]);
        d[6 * round + 1] = AdditiveInverse(z[j + 2]);
        d[6 * round + 2] = AdditiveInverse(z[j + 1]);
        d[6 * round + 3] = MultiplicativeInverse(z[j + 3]);
    }
    d[46] = z[4];
    d[47] = z[5];
    d[48] = MultiplicativeInverse(z[0]);
    d[49] = AdditiveInverse(z[1]);
    d[50] = AdditiveInverse(z[2]);
    d[51] = MultiplicativeInverse(z[3]);
}

void IdeaKey::EncryptBlock(std::uint8_t* block) const { TransformBlock(schedule_->encrypt, block); }
void IdeaKey::DecryptBlock(std::uint8_t* block) const { TransformBlock(schedule_->decrypt, block); }

void IdeaKey::EncryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups(schedule_->encrypt, data, groupCount);
}

void IdeaKey::DecryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups(schedule_->decrypt, data, groupCount);
}

}  // namespace pelorin
