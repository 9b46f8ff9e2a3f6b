#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/GroupCipher.h"

namespace pelorin {

// A piece of n bytes is stored as its whole 8-byte groups, enciphered, and,
// when n is not a multiple of 8, one plain pad byte P followed by one more
// enciphered group: the remaining t bytes and 8 - t copies of P. P is the
// smallest value 0, 1, 2, ... absent from those t bytes, so it lies in 0..7
// and a reader can tell the real bytes from the padding.

// The stored size of a piece of n bytes: n rounded down to a multiple of 8,
// plus 9 when n mod 8 is not 0.
constexpr std::uint64_t StoredPieceLength(std::uint64_t n) {
    return n / kGroupSize * kGroupSize + (n % kGroupSize != 0 ? kGroupSize + 1 : 0);
}

// The pad byte for a tail of 1..7 bytes.
std::uint8_t ChoosePadByte(std::span<const std::uint8_t> tail);

// Copies the tail (1..7 bytes) into `group` and fills the rest with the pad
// byte, which it returns.
std::uint8_t FillFinalGroup(std::span<const std::uint8_t> tail, std::span<std::uint8_t, kGroupSize> group);

// Enciphers a whole piece held in memory: `stored` receives
// StoredPieceLength(plain.size()) bytes.
void EncipherPiece(GroupCipher& cipher, std::span<const std::uint8_t> plain, std::span<std::uint8_t> stored);

// Deciphers a whole stored piece whose plain length is plain.size().
void DecipherPiece(GroupCipher& cipher, std::span<const std::uint8_t> stored, std::span<std::uint8_t> plain);

}  // namespace pelorin
