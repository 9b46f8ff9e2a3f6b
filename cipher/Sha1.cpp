#include "cipher/Sha1.h"

#include <algorithm>
#include <cstring>

#include "cipher/Bytes.h"

namespace pelorin {
namespace {

using bytes::RotateLeft;

inline std::uint32_t Choose(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return d ^ (b & (c ^ d)); }
inline std::uint32_t Parity(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return b ^ c ^ d; }
inline std::uint32_t Majority(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return (b & c) | (d & (b | c));
}

// The schedule word for step t >= 16, kept in a 16-word circular window:
// W[t] = rotl1(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16]).
#define PELORIN_SHA1_W(t)                                                                     \
    (w[(t)&15] = RotateLeft(w[((t)-3) & 15] ^ w[((t)-8) & 15] ^ w[((t)-14) & 15] ^ w[(t)&15], 1))

// One step: e += rotl5(a) + f(b, c, d) + K + W; b = rotl30(b). The callers
// rotate the roles of a..e instead of moving values.
#define PELORIN_SHA1_STEP(f, k, a, b, c, d, e, word)                \
    do {                                                            \
        e += RotateLeft(a, 5) + f(b, c, d) + (k) + (word);          \
        b = RotateLeft(b, 30);                                      \
    } while (0)

constexpr std::uint32_t kK0 = 0x5A827999u, kK1 = 0x6ED9EBA1u, kK2 = 0x8F1BBCDCu, kK3 = 0xCA62C1D6u;

void Compress(std::uint32_t h[5], const std::uint8_t* block) {
    std::uint32_t w[16];
    for (int t = 0; t < 16; ++t) w[t] = bytes::LoadBe32(block + 4 * t);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];

    PELORIN_SHA1_STEP(Choose, kK0, a, b, c, d, e, w[0]);
    PELORIN_SHA1_STEP(Choose, kK0, e, a, b, c, d, w[1]);
    PELORIN_SHA1_STEP(Choose, kK0, d, e, a, b, c, w[2]);
    PELORIN_SHA1_STEP(Choose, kK0, c, d, e, a, b, w[3]);
    PELORIN_SHA1_STEP(Choose, kK0, b, c, d, e, a, w[4]);
    PELORIN_SHA1_STEP(Choose, kK0, a, b, c, d, e, w[5]);
    PELORIN_SHA1_STEP(Choose, kK0, e, a, b, c, d, w[6]);
    PELORIN_SHA1_STEP(Choose, kK0, d, e, a, b, c, w[7]);
    PELORIN_SHA1_STEP(Choose, kK0, c, d, e, a, b, w[8]);
    PELORIN_SHA1_STEP(Choose, kK0, b, c, d, e, a, w[9]);
    PELORIN_SHA1_STEP(Choose, kK0, a, b, c, d, e, w[10]);
    PELORIN_SHA1_STEP(Choose, kK0, e, a, b, c, d, w[11]);
    PELORIN_SHA1_STEP(Choose, kK0, d, e, a, b, c, w[12]);
    PELORIN_SHA1_STEP(Choose, kK0, c, d, e, a, b, w[13]);
    PELORIN_SHA1_STEP(Choose, kK0, b, c, d, e, a, w[14]);
    PELORIN_SHA1_STEP(Choose, kK0, a, b, c, d, e, w[15]);
    PELORIN_SHA1_STEP(Choose, kK0, e, a, b, c, d, PELORIN_SHA1_W(16));
    PELORIN_SHA1_STEP(Choose, kK0, d, e, a, b, c, PELORIN_SHA1_W(17));
    PELORIN_SHA1_STEP(Choose, kK0, c, d, e, a, b, PELORIN_SHA1_W(18));
    PELORIN_SHA1_STEP(Choose, kK0, b, c, d, e, a, PELORIN_SHA1_W(19));

    PELORIN_SHA1_STEP(Parity, kK1, a, b, c, d, e, PELORIN_SHA1_W(20));
    PELORIN_SHA1_STEP(Parity, kK1, e, a, b, c, d, PELORIN_SHA1_W(21));
    PELORIN_SHA1_STEP(Parity, kK1, d, e, a, b, c, PELORIN_SHA1_W(22));
    PELORIN_SHA1_STEP(Parity, kK1, c, d, e, a, b, PELORIN_SHA1_W(23));
    PELORIN_SHA1_STEP(Parity, kK1, b, c, d, e, a, PELORIN_SHA1_W(24));
    PELORIN_SHA1_STEP(Parity, kK1, a, b, c, d, e, PELORIN_SHA1_W(25));
    PELORIN_SHA1_STEP(Parity, kK1, e, a, b, c, d, PELORIN_SHA1_W(26));
    PELORIN_SHA1_STEP(Parity, kK1, d, e, a, b, c, PELORIN_SHA1_W(27));
    PELORIN_SHA1_STEP(Parity, kK1, c, d, e, a, b, PELORIN_SHA1_W(28));
    PELORIN_SHA1_STEP(Parity, kK1, b, c, d, e, a, PELORIN_SHA1_W(29));
    PELORIN_SHA1_STEP(Parity, kK1, a, b, c, d, e, PELORIN_SHA1_W(30));
    PELORIN_SHA1_STEP(Parity, kK1, e, a, b, c, d, PELORIN_SHA1_W(31));
    PELORIN_SHA1_STEP(Parity, kK1, d, e, a, b, c, PELORIN_SHA1_W(32));
    PELORIN_SHA1_STEP(Parity, kK1, c, d, e, a, b, PELORIN_SHA1_W(33));
    PELORIN_SHA1_STEP(Parity, kK1, b, c, d, e, a, PELORIN_SHA1_W(34));
    PELORIN_SHA1_STEP(Parity, kK1, a, b, c, d, e, PELORIN_SHA1_W(35));
    PELORIN_SHA1_STEP(Parity, kK1, e, a, b, c, d, PELORIN_SHA1_W(36));
    PELORIN_SHA1_STEP(Parity, kK1, d, e, a, b, c, PELORIN_SHA1_W(37));
    PELORIN_SHA1_STEP(Parity, kK1, c, d, e, a, b, PELORIN_SHA1_W(38));
    PELORIN_SHA1_STEP(Parity, kK1, b, c, d, e, a, PELORIN_SHA1_W(39));

    PELORIN_SHA1_STEP(Majority, kK2, a, b, c, d, e, PELORIN_SHA1_W(40));
    PELORIN_SHA1_STEP(Majority, kK2, e, a, b, c, d, PELORIN_SHA1_W(41));
    PELORIN_SHA1_STEP(Majority, kK2, d, e, a, b, c, PELORIN_SHA1_W(42));
    PELORIN_SHA1_STEP(Majority, kK2, c, d, e, a, b, PELORIN_SHA1_W(43));
    PELORIN_SHA1_STEP(Majority, kK2, b, c, d, e, a, PELORIN_SHA1_W(44));
    PELORIN_SHA1_STEP(Majority, kK2, a, b, c, d, e, PELORIN_SHA1_W(45));
    PELORIN_SHA1_STEP(Majority, kK2, e, a, b, c, d, PELORIN_SHA1_W(46));
    PELORIN_SHA1_STEP(Majority, kK2, d, e, a, b, c, PELORIN_SHA1_W(47));
    PELORIN_SHA1_STEP(Majority, kK2, c, d, e, a, b, PELORIN_SHA1_W(48));
    PELORIN_SHA1_STEP(Majority, kK2, b, c, d, e, a, PELORIN_SHA1_W(49));
    PELORIN_SHA1_STEP(Majority, kK2, a, b, c, d, e, PELORIN_SHA1_W(50));
    PELORIN_SHA1_STEP(Majority, kK2, e, a, b, c, d, PELORIN_SHA1_W(51));
    PELORIN_SHA1_STEP(Majority, kK2, d, e, a, b, c, PELORIN_SHA1_W(52));
    PELORIN_SHA1_STEP(Majority, kK2, c, d, e, a, b, PELORIN_SHA1_W(53));
    PELORIN_SHA1_STEP(Majority, kK2, b, c, d, e, a, PELORIN_SHA1_W(54));
    PELORIN_SHA1_STEP(Majority, kK2, a, b, c, d, e, PELORIN_SHA1_W(55));
    PELORIN_SHA1_STEP(Majority, kK2, e, a, b, c, d, PELORIN_SHA1_W(56));
    PELORIN_SHA1_STEP(Majority, kK2, d, e, a, b, c, PELORIN_SHA1_W(57));
    PELORIN_SHA1_STEP(Majority, kK2, c, d, e, a, b, PELORIN_SHA1_W(58));
    PELORIN_SHA1_STEP(Majority, kK2, b, c, d, e, a, PELORIN_SHA1_W(59));

    PELORIN_SHA1_STEP(Parity, kK3, a, b, c, d, e, PELORIN_SHA1_W(60));
    PELORIN_SHA1_STEP(Parity, kK3, e, a, b, c, d, PELORIN_SHA1_W(61));
    PELORIN_SHA1_STEP(Parity, kK3, d, e, a, b, c, PELORIN_SHA1_W(62));
    PELORIN_SHA1_STEP(Parity, kK3, c, d, e, a, b, PELORIN_SHA1_W(63));
    PELORIN_SHA1_STEP(Parity, kK3, b, c, d, e, a, PELORIN_SHA1_W(64));
    PELORIN_SHA1_STEP(Parity, kK3, a, b, c, d, e, PELORIN_SHA1_W(65));
    PELORIN_SHA1_STEP(Parity, kK3, e, a, b, c, d, PELORIN_SHA1_W(66));
    PELORIN_SHA1_STEP(Parity, kK3, d, e, a, b, c, PELORIN_SHA1_W(67));
    PELORIN_SHA1_STEP(Parity, kK3, c, d, e, a, b, PELORIN_SHA1_W(68));
    PELORIN_SHA1_STEP(Parity, kK3, b, c, d, e, a, PELORIN_SHA1_W(69));
    PELORIN_SHA1_STEP(Parity, kK3, a, b, c, d, e, PELORIN_SHA1_W(70));
    PELORIN_SHA1_STEP(Parity, kK3, e, a, b, c, d, PELORIN_SHA1_W(71));
    PELORIN_SHA1_STEP(Parity, kK3, d, e, a, b, c, PELORIN_SHA1_W(72));
    PELORIN_SHA1_STEP(Parity, kK3, c, d, e, a, b, PELORIN_SHA1_W(73));
    PELORIN_SHA1_STEP(Parity, kK3, b, c, d, e, a, PELORIN_SHA1_W(74));
    PELORIN_SHA1_STEP(Parity, kK3, a, b, c, d, e, PELORIN_SHA1_W(75));
    PELORIN_SHA1_STEP(Parity, kK3, e, a, b, c, d, PELORIN_SHA1_W(76));
    PELORIN_SHA1_STEP(Parity, kK3, d, e, a, b, c, PELORIN_SHA1_W(77));
    PELORIN_SHA1_STEP(Parity, kK3, c, d, e, a, b, PELORIN_SHA1_W(78));
    PELORIN_SHA1_STEP(Parity, kK3, b, c, d, e, a, PELORIN_SHA1_W(79));

    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    // The window held message words; it does not outlive the call.
    volatile std::uint32_t* scrub = w;
    for (int t = 0; t < 16; ++t) scrub[t] = 0;
}

#undef PELORIN_SHA1_STEP
#undef PELORIN_SHA1_W

inline std::size_t BufferedBytes(const Sha1Context& context) { return (context.bitCountLow >> 3) & 63; }

}  // namespace

void Sha1Init(Sha1Context& context) {
    context.h[0] = 0x67452301u;
    context.h[1] = 0xEFCDAB89u;
    context.h[2] = 0x98BADCFEu;
    context.h[3] = 0x10325476u;
    context.h[4] = 0xC3D2E1F0u;
    context.bitCountLow = 0;
    context.bitCountHigh = 0;
    std::memset(context.block, 0, sizeof context.block);
}

void Sha1Update(Sha1Context& context, std::span<const std::uint8_t> data) {
    std::size_t used = BufferedBytes(context);
    const std::uint64_t bits = std::uint64_t{data.size()} << 3;
    const std::uint32_t oldLow = context.bitCountLow;
    context.bitCountLow += static_cast<std::uint32_t>(bits);
    context.bitCountHigh += static_cast<std::uint32_t>(bits >> 32) + (context.bitCountLow < oldLow ? 1 : 0);

    std::size_t offset = 0;
    if (used > 0) {
        const std::size_t take = std::min<std::size_t>(64 - used, data.size());
        std::memcpy(context.block + used, data.data(), take);
        used += take;
        offset = take;
        if (used < 64) return;
        Compress(context.h, context.block);
    }
    for (; offset + 64 <= data.size(); offset += 64) Compress(context.h, data.data() + offset);
    if (offset < data.size()) std::memcpy(context.block, data.data() + offset, data.size() - offset);
}

void Sha1Final(Sha1Context& context, std::span<std::uint8_t, kSha1DigestSize> digest) {
    std::uint8_t length[8];
    bytes::StoreBe32(length, context.bitCountHigh);
    bytes::StoreBe32(length + 4, context.bitCountLow);
    static constexpr std::uint8_t kPadding[64] = {0x80};
    const std::size_t used = BufferedBytes(context);
    const std::size_t padLength = used < 56 ? 56 - used : 120 - used;
    Sha1Update(context, std::span(kPadding, padLength));
    Sha1Update(context, std::span(length, 8));
    for (int i = 0; i < 5; ++i) bytes::StoreBe32(digest.data() + 4 * i, context.h[i]);
    volatile auto* scrub = reinterpret_cast<volatile std::uint8_t*>(&context);
    for (std::size_t i = 0; i < sizeof context; ++i) scrub[i] = 0;
}

Sha1Digest Sha1Final(Sha1Context& context) {
    Sha1Digest digest{};
    Sha1Final(context, std::span<std::uint8_t, kSha1DigestSize>(digest));
    return digest;
}

Sha1Digest Sha1(std::span<const std::uint8_t> data) {
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, data);
    return Sha1Final(context);
}

}  // namespace pelorin
