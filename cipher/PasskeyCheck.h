#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "cipher/Sha1.h"

namespace pelorin {

inline constexpr std::size_t kArchiveSaltSize = 8;
inline constexpr int kPasskeyCheckIterations = 1000;

using PasskeyCheckValue = Sha1Digest;

// The 20-byte value stored after an archive's header so that a wrong passkey
// is noticed before anything is decrypted. It is computed from the passkey as
// typed (whatever the hashing setting) and the archive salt:
//   D = SHA-1(salt || passkey); B = salt encrypted 1000 times with Blowfish
//   keyed by D; V = SHA-1 compression of B from the all-zero chaining value
//   that the finished context holds.
PasskeyCheckValue ComputePasskeyCheck(std::span<const std::uint8_t> passkey,
                                      std::span<const std::uint8_t, kArchiveSaltSize> salt);

}  // namespace pelorin
