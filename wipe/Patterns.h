#pragma once

#include <cstdint>
#include <span>

namespace pelorin::wipe {

// The random fill of the wipe passes: one output of the shared random
// generator per four bytes, stored as a little-endian 32-bit value (so each
// group holds the output's low byte, its bits 8..14 and two zero bytes), and
// one output's low byte per tail byte. Nothing is written for n <= 0.
void FillRandom(std::uint8_t* buffer, int n);

// Which pattern a pass lays over every block.
enum class PatternCycle {
    // By pass index mod 4: 0x00, 0xFF, random fill, the bitwise complement of
    // what the block held (the library's file, free-space and slack wipes).
    FourWay,
    // By pass index mod 3: 0x00, 0xFF, random fill (the encryptor's and the
    // Secure Delete program's file wipes).
    ThreeWay,
};

// Prepares the block for pass `pass` (from 0). The block keeps its previous
// content between passes, which the complement pass relies on.
void PreparePattern(PatternCycle cycle, int pass, std::span<std::uint8_t> block);

}  // namespace pelorin::wipe
