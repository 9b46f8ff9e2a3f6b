#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/SecureBuffer.h"

namespace pelorin {

// Both shift ciphers add a key-derived value to every byte, modulo 256, that
// depends only on the byte's position 0..7 within its group of 8.

// The amounts added at positions 0..7, and their negations for decryption.
struct GroupShifts {
    std::array<std::uint8_t, 8> forward;
    std::array<std::uint8_t, 8> backward;
};

// ASCII: byte += k + position, where k is the XOR of all key bytes.
class AsciiKey {
public:
    explicit AsciiKey(std::span<const std::uint8_t> key);

    std::uint8_t value() const { return shifts_->forward[0]; }
    void EncryptGroups(std::uint8_t* data, std::size_t groupCount) const;
    void DecryptGroups(std::uint8_t* data, std::size_t groupCount) const;

private:
    SecureBox<GroupShifts> shifts_;
};

// Vigenere: byte += key[position mod key length]; the key position restarts
// with every group, so only the first 8 key bytes ever take part.
class VigenereKey {
public:
    // The key must not be empty.
    explicit VigenereKey(std::span<const std::uint8_t> key);

    std::span<const std::uint8_t> keyCopy() const { return key_.bytes(); }
    void EncryptGroups(std::uint8_t* data, std::size_t groupCount) const;
    void DecryptGroups(std::uint8_t* data, std::size_t groupCount) const;

private:
    SecureBuffer key_;
    std::int32_t length_;
    SecureBox<GroupShifts> shifts_;
};

}  // namespace pelorin
