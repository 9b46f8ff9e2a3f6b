#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/SecureBuffer.h"

namespace pelorin {

// A passkey holds 1 to 127 bytes: its length travels as a signed 8-bit count.
inline constexpr std::size_t kMaxPasskeyLength = 127;
inline constexpr std::size_t kEntrySaltSize = 8;

using EntrySalt = std::array<std::uint8_t, kEntrySaltSize>;

enum class PasskeyHashing { Off, On };

// The key material of one file: locked heap bytes and their signed 8-bit
// length. It starts as a copy of the passkey as typed and becomes the entry
// key through DeriveForEntry.
class CipherKey {
public:
    // Throws std::length_error for a passkey longer than kMaxPasskeyLength.
    CipherKey(std::span<const std::uint8_t> passkey, int scrubPasses);

    std::span<const std::uint8_t> bytes() const { return buffer_.bytes(); }
    std::int8_t length() const { return static_cast<std::int8_t>(buffer_.size()); }

    // Hashing on: the key becomes SHA-1(salt || key), 20 bytes, in a new
    // locked buffer; the old one is scrubbed. Hashing off: key byte i is
    // XORed with salt byte i mod 8 in place.
    void DeriveForEntry(const EntrySalt& salt, PasskeyHashing hashing);

private:
    SecureBuffer buffer_;
};

}  // namespace pelorin
