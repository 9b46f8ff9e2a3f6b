#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/SecureBuffer.h"

namespace pelorin {

// A passkey holds 1 to 127 bytes: its length travels as a signed 8-bit count.
inline constexpr std::size_t kMaxPasskeyLength = 127;
// Archives of version 8 take passkeys of 1 to 1024 bytes (UTF-8, as typed).
inline constexpr std::size_t kMaxModernPasskeyLength = 1024;
inline constexpr std::size_t kEntrySaltSize = 8;

using EntrySalt = std::array<std::uint8_t, kEntrySaltSize>;

enum class PasskeyHashing { Off, On };

// The key material of one file: locked heap bytes and their signed 8-bit
// length. An entry's key is made from the passkey and the entry's salt in
// one step, so that no copy of the passkey is ever held beside it; import
// input, which is keyed by the passkey as typed, takes a copy as its key.
class CipherKey {
public:
    // The passkey itself as the key. Throws std::length_error for a passkey
    // longer than kMaxPasskeyLength.
    CipherKey(std::span<const std::uint8_t> passkey, int scrubPasses);
    // An entry's key: with hashing SHA-1(salt || passkey), 20 bytes; without,
    // passkey byte i XOR salt byte i mod 8. Throws as above.
    CipherKey(std::span<const std::uint8_t> passkey, const EntrySalt& salt, PasskeyHashing hashing, int scrubPasses);

    std::span<const std::uint8_t> bytes() const { return buffer_.bytes(); }
    std::int8_t length() const { return static_cast<std::int8_t>(buffer_.size()); }

private:
    SecureBuffer buffer_;
};

}  // namespace pelorin
