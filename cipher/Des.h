#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/SecureBuffer.h"

namespace pelorin {

// Round subkeys arranged for the combined S-box-and-P tables: per round one
// word with the 6-bit chunks of S-boxes 1, 3, 5, 7 and one with those of 2,
// 4, 6, 8, one chunk per byte.
struct DesSchedule {
    std::uint32_t words[32];
};

// DES (FIPS 46), block by block. Each block half is read and stored as a
// little-endian word: byte 3 carries DES input bits 1..8. Key bytes are taken
// in standard order; the low bit of each is parity and ignored.
class DesKey {
public:
    // Uses the first 8 key bytes; the key must hold at least 8.
    explicit DesKey(std::span<const std::uint8_t> key);

    void EncryptBlock(std::uint8_t* block) const;
    void DecryptBlock(std::uint8_t* block) const;
    void EncryptGroups(std::uint8_t* data, std::size_t groupCount) const;
    void DecryptGroups(std::uint8_t* data, std::size_t groupCount) const;

private:
    SecureBox<DesSchedule> schedule_;
};

}  // namespace pelorin
