#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/SecureBuffer.h"

namespace pelorin {

// The generator never exchanges entries of S, so after 256 steps i is back
// where it started and j has moved by the sum of all S entries, 32640, which
// is 128 modulo 256; after 512 steps (i, j) repeat. The keystream is therefore
// periodic with period 512, and one period computed at construction serves
// every later byte.
inline constexpr std::size_t kPseudoRc4Period = 512;

struct PseudoRc4Schedule {
    std::uint8_t s[256];
    // One period of keystream, stored twice so that any run of up to one
    // period can be read without wrapping.
    std::uint8_t keystream[2 * kPseudoRc4Period];
};

// RC4's key setup with a keystream generator that does not exchange:
// i = i + 1; j = j + S[i]; output S[S[i] + S[j]] (all modulo 256).
class PseudoRc4State {
public:
    // Key bytes are cycled over the 256 steps of the key setup; the key must
    // not be empty.
    explicit PseudoRc4State(std::span<const std::uint8_t> key);

    std::uint8_t NextByte();

    // XORs the data with the continuing keystream (the current generator).
    void Apply(std::uint8_t* data, std::size_t length) { ApplyAt(position_, data, length); }
    // The same from a keystream position the caller keeps, which it
    // advances: several users can share one keyed state.
    void ApplyAt(std::size_t& position, std::uint8_t* data, std::size_t length) const;

    // The legacy generator of old archives restarts from the freshly keyed
    // state for every group of 8 bytes: each group is XORed with the same
    // first 8 keystream bytes. The continuing stream is not advanced.
    void ApplyLegacy(std::uint8_t* data, std::size_t groupCount) const;

    const PseudoRc4Schedule& schedule() const { return *schedule_; }

private:
    SecureBox<PseudoRc4Schedule> schedule_;
    // Bytes handed out so far, modulo the period; it stands for (i, j).
    std::size_t position_ = 0;
};

}  // namespace pelorin
