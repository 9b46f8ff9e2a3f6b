#include "cipher/Poly1305.h"

#include <stdexcept>

#include "cipher/Bytes.h"
#include "cipher/Scramble.h"

namespace pelorin {
namespace {

// r with the bits RFC 8439 clears: the top four of every 32-bit word and
// the bottom two of the upper three.
constexpr std::uint8_t kClamp[16] = {0xff, 0xff, 0xff, 0x0f, 0xfc, 0xff, 0xff, 0x0f,
                                     0xfc, 0xff, 0xff, 0x0f, 0xfc, 0xff, 0xff, 0x0f};

}  // namespace

using poly1305::kBlockBit;
using poly1305::kMask42;
using poly1305::kMask44;

Poly1305::Poly1305(std::span<const std::uint8_t, kKeySize> key)
    : s_{bytes::LoadLe64(key.data() + 16), bytes::LoadLe64(key.data() + 24)} {
    std::uint8_t r[16];
    for (int i = 0; i < 16; ++i) r[i] = key[i] & kClamp[i];
    state_.powers[0] = poly1305::PowerOf(poly1305::Load(r, 0));
    ScrubWorkingState(r, sizeof r);
}

Poly1305::~Poly1305() {
    ScrubWorkingState(&state_, sizeof state_);
    ScrubWorkingState(s_, sizeof s_);
    ScrubWorkingState(partial_, sizeof partial_);
}

void Poly1305::PreparePowers() {
    for (int n = 1; n < 4; ++n) {
        poly1305::Wide w;
        const poly1305::Limbs previous{{state_.powers[n - 1].k[0], state_.powers[n - 1].k[1], state_.powers[n - 1].k[2]}};
        poly1305::MultiplyAdd(w, previous, state_.powers[0]);
        state_.powers[n] = poly1305::PowerOf(poly1305::Carry(w));
    }
    powersReady_ = true;
}

poly1305::State& Poly1305::WholeBlockState() {
    if (finished_ || partialLength_ != 0) throw std::logic_error("Poly1305: not at a block boundary");
    if (!powersReady_) PreparePowers();
    return state_;
}

// h = (h + block + highBit 2^128) r mod 2^130 - 5, block after block; four
// at a time where there are four (see Poly1305Core.h).
void Poly1305::Blocks(const std::uint8_t* data, std::size_t blocks, std::uint64_t highBit) {
    if (blocks >= 4 && !powersReady_) PreparePowers();
    for (; blocks >= 4; blocks -= 4, data += 4 * kBlockSize) poly1305::FourBlocks(state_, data);
    for (; blocks > 0; --blocks, data += kBlockSize) poly1305::OneBlock(state_, data, highBit ? kBlockBit : 0);
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
    std::uint64_t h0 = state_.h.v[0], h1 = state_.h.v[1], h2 = state_.h.v[2];
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
    const poly1305::U128 sum = poly1305::U128{low} + s_[0];
    bytes::StoreLe64(tag.data(), static_cast<std::uint64_t>(sum));
    bytes::StoreLe64(tag.data() + 8, high + s_[1] + static_cast<std::uint64_t>(sum >> 64));
    finished_ = true;
    ScrubWorkingState(&state_, sizeof state_);
    ScrubWorkingState(s_, sizeof s_);
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
