#pragma once

#include <cstddef>
#include <cstdint>

namespace pelorin {

// The suite's own random generator: a 32-bit linear congruential generator
// with one state per thread. It reproduces the classic C library sequence on
// every host (std::rand differs between C libraries), which the scrubbing and
// naming rules rely on. Not for secrets: salts come from the OS source.
inline constexpr std::uint32_t kSharedRandomMultiplier = 214013u;
inline constexpr std::uint32_t kSharedRandomIncrement = 2531011u;
inline constexpr std::uint32_t kSharedRandomInitialState = 1u;
inline constexpr int kSharedRandomMax = 0x7FFF;

// Sets the calling thread's state.
void SeedSharedRandom(std::uint32_t seed);

// Steps the calling thread's state and returns 0..32767.
int NextSharedRandom();

// Writes the low 8 bits of the next `count` outputs to `out` and leaves the
// state where `count` calls of NextSharedRandom would leave it, byte for byte
// what those calls give, only faster (for scrubbing large buffers).
void FillWithSharedRandomBytes(std::uint8_t* out, std::size_t count);

// Seeds the calling thread's state from the clock in seconds.
void SeedSharedRandomFromClock();

}  // namespace pelorin
