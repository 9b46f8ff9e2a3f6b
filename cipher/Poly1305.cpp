#include "cipher/Poly1305.h"

#include <stdexcept>

#include "cipher/Bytes.h"
#include "cipher/Scramble.h"

namespace pelorin {
namespace {

using U128 = unsigned __int128;

inline std::uint64_t Low(U128 v) { return static_cast<std::uint64_t>(v); }
inline std::uint64_t High(U128 v) { return static_cast<std::uint64_t>(v >> 64); }

// r with the bits RFC 8439 clears: the top four of every 32-bit word and
// the bottom two of the upper three.
constexpr std::uint64_t kClampLow = 0x0ffffffc0fffffff;
constexpr std::uint64_t kClampHigh = 0x0ffffffc0ffffffc;

}  // namespace

Poly1305::Poly1305(std::span<const std::uint8_t, kKeySize> key)
    : r_{bytes::LoadLe64(key.data()) & kClampLow, bytes::LoadLe64(key.data() + 8) & kClampHigh},
      s_{bytes::LoadLe64(key.data() + 16), bytes::LoadLe64(key.data() + 24)} {}

Poly1305::~Poly1305() {
    ScrubWorkingState(r_, sizeof r_);
    ScrubWorkingState(s_, sizeof s_);
    ScrubWorkingState(h_, sizeof h_);
    ScrubWorkingState(partial_, sizeof partial_);
}

// h = (h + block + highBit * 2^128) * r mod 2^130 - 5, block after block.
// The accumulator h = h0 + h1 2^64 + h2 2^128 stays below about 2^130 + 2^128
// between blocks (h2 at most 4 before the message is added). r1 is a
// multiple of 4, so r1 2^128 = (r1 / 4) 2^130 = 5 (r1 / 4) = s1 mod p, which
// folds the two products above 2^128 back as h1 s1 and h2 s1 2^64.
void Poly1305::Blocks(const std::uint8_t* data, std::size_t blocks, std::uint64_t highBit) {
    std::uint64_t h0 = h_[0], h1 = h_[1], h2 = h_[2];
    const std::uint64_t r0 = r_[0], r1 = r_[1], s1 = r1 + (r1 >> 2);
    for (; blocks > 0; --blocks, data += kBlockSize) {
        U128 sum = U128{h0} + bytes::LoadLe64(data);
        h0 = Low(sum);
        sum = U128{h1} + bytes::LoadLe64(data + 8) + High(sum);
        h1 = Low(sum);
        h2 += High(sum) + highBit;

        const U128 d0 = U128{h0} * r0 + U128{h1} * s1;
        U128 d1 = U128{h0} * r1 + U128{h1} * r0 + U128{h2} * s1;
        std::uint64_t d2 = h2 * r0;
        d1 += High(d0);
        d2 += High(d1);
        h0 = Low(d0);
        h1 = Low(d1);
        // Bits 130 and up come back multiplied by 5.
        const std::uint64_t folded = (d2 >> 2) * 5;
        h2 = d2 & 3;
        sum = U128{h0} + folded;
        h0 = Low(sum);
        sum = U128{h1} + High(sum);
        h1 = Low(sum);
        h2 += High(sum);
    }
    h_[0] = h0;
    h_[1] = h1;
    h_[2] = h2;
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
    // h is below 2^130 + 2^128, so one subtraction of p reduces it fully:
    // take h + 5 - 2^130 when h + 5 reaches 2^130.
    U128 sum = U128{h_[0]} + 5;
    const std::uint64_t g0 = Low(sum);
    sum = U128{h_[1]} + High(sum);
    const std::uint64_t g1 = Low(sum);
    const std::uint64_t g2 = h_[2] + High(sum);
    const std::uint64_t useG = 0 - (g2 >> 2);
    const std::uint64_t h0 = (h_[0] & ~useG) | (g0 & useG);
    const std::uint64_t h1 = (h_[1] & ~useG) | (g1 & useG);
    sum = U128{h0} + s_[0];
    bytes::StoreLe64(tag.data(), Low(sum));
    bytes::StoreLe64(tag.data() + 8, h1 + s_[1] + High(sum));
    finished_ = true;
    ScrubWorkingState(r_, sizeof r_);
    ScrubWorkingState(s_, sizeof s_);
    ScrubWorkingState(h_, sizeof h_);
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
