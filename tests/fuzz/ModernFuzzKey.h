#pragma once

#include <array>
#include <cstdint>

// The file key the version-8 fuzz target opens records with in place of one
// unwrapped from a passkey (the key derivation would take most of every
// run), and with which the seed corpus is written, so that mutations of the
// seeds start from records that authenticate.
namespace pelorin::fuzz {

inline constexpr std::array<std::uint8_t, 32> kModernFuzzFileKey = {
    0x66, 0x75, 0x7a, 0x7a, 0x20, 0x66, 0x69, 0x6c, 0x65, 0x20, 0x6b, 0x65, 0x79, 0x20, 0x30, 0x31,
    0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68};

}  // namespace pelorin::fuzz
