#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pelorin {

inline constexpr std::size_t kSha1DigestSize = 20;
using Sha1Digest = std::array<std::uint8_t, kSha1DigestSize>;

// SHA-1 as published in FIPS 180-1. Final leaves the whole context zero; a
// context used again without Init then runs from an all-zero chaining value,
// which the passkey check value relies on.
struct Sha1Context {
    std::uint32_t h[5];
    std::uint32_t bitCountLow;
    std::uint32_t bitCountHigh;
    std::uint8_t block[64];
};

void Sha1Init(Sha1Context& context);
void Sha1Update(Sha1Context& context, std::span<const std::uint8_t> data);
// Writes the digest into `digest` (which may be locked memory) and zeroes the
// context.
void Sha1Final(Sha1Context& context, std::span<std::uint8_t, kSha1DigestSize> digest);
Sha1Digest Sha1Final(Sha1Context& context);

// Init, Update, Final in one call.
Sha1Digest Sha1(std::span<const std::uint8_t> data);

}  // namespace pelorin
