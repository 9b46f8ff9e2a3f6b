#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/Poly1305Core.h"

namespace pelorin {

// Poly1305 as published in RFC 8439 section 2.5: a one-time authenticator
// with a 32-byte key (r, clamped, and s) and a 16-byte tag. Numbers are kept
// in three 64-bit limbs of 44, 44 and 42 bits and multiplied with 128-bit
// products, so that the sums of several products cannot overflow: that lets
// long messages go four blocks at a time, h = (h + m1) r^4 + m2 r^3 + m3 r^2
// + m4 r, four independent multiplications instead of a chain of four. The
// reductions and the final subtraction of the prime are done with shifts and
// masks, so nothing branches on the key, the data or the accumulator.
//
// Use: construct with the key, Update with the message in pieces of any
// size (the result does not depend on how it is cut), Final once.
//
// Secrets: the object holds r and its powers, s and the accumulator. It is
// meant to live on the stack of one message's computation; Final and the
// destructor overwrite it. The caller keeps the key in locked memory. A key
// must authenticate one message only (the AEAD derives a fresh one per
// nonce).
class Poly1305 {
public:
    static constexpr std::size_t kKeySize = 32;
    static constexpr std::size_t kTagSize = 16;
    static constexpr std::size_t kBlockSize = 16;

    explicit Poly1305(std::span<const std::uint8_t, kKeySize> key);
    ~Poly1305();
    Poly1305(const Poly1305&) = delete;
    Poly1305& operator=(const Poly1305&) = delete;

    Poly1305& Update(std::span<const std::uint8_t> data);

    // Zero bytes up to the next multiple of 16 of everything updated so far
    // (the padding of the AEAD's message layout); nothing when it is whole.
    Poly1305& PadToBlock();

    // Writes the tag and overwrites the state. Throws std::logic_error when
    // called a second time.
    void Final(std::span<std::uint8_t, kTagSize> tag);

    // For the AEAD's fused loop (internal to cipher/): the running state,
    // with r^2 .. r^4 ready, after a whole number of blocks (as after
    // PadToBlock). What is done to it counts as whole blocks updated.
    poly1305::State& WholeBlockState();

private:
    void Blocks(const std::uint8_t* data, std::size_t blocks, std::uint64_t highBit);
    void PreparePowers();

    poly1305::State state_ = {};
    bool powersReady_ = false;
    std::uint64_t s_[2];
    std::uint8_t partial_[kBlockSize] = {};
    std::size_t partialLength_ = 0;
    bool finished_ = false;
};

// True when the two tags are equal, in time that does not depend on where
// they differ.
bool TagsEqual(std::span<const std::uint8_t, Poly1305::kTagSize> a, std::span<const std::uint8_t, Poly1305::kTagSize> b);

}  // namespace pelorin
