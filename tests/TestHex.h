#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin::test {

std::vector<std::uint8_t> FromHex(std::string_view hex);
std::string ToHex(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> Bytes(std::string_view text);
// Reverses each 4-byte half of every 8-byte group (big-endian <-> little-endian words).
std::vector<std::uint8_t> SwapHalves(std::vector<std::uint8_t> data);
// Swaps the two bytes of every 16-bit word.
std::vector<std::uint8_t> SwapWords(std::vector<std::uint8_t> data);
// Deterministic pseudo-random bytes for tests (not the suite's generator).
std::vector<std::uint8_t> TestBytes(std::size_t count, std::uint32_t seed);

}  // namespace pelorin::test
