#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/BlowfishInitialValues.h"
#include "cipher/SecureBuffer.h"

namespace pelorin {

struct BlowfishSchedule {
    std::uint32_t p[kBlowfishPWords];
    std::uint32_t s[4][256];
    // Decryption is encryption with the P-array in reverse order.
    std::uint32_t reversedP[kBlowfishPWords];
};

// Blowfish with 16 rounds. Each block half is read and stored as a
// little-endian word (bytes 0..3 are L, bytes 4..7 are R), which is what the
// archives hold; the published vectors apply after reversing each half.
class BlowfishKey {
public:
    // Key bytes are cycled over the 72 bytes of the P-array; bytes beyond
    // the 72nd have no effect. The key must not be empty.
    explicit BlowfishKey(std::span<const std::uint8_t> key);

    void EncryptBlock(std::uint8_t* block) const;
    void DecryptBlock(std::uint8_t* block) const;
    void EncryptGroups(std::uint8_t* data, std::size_t groupCount) const;
    void DecryptGroups(std::uint8_t* data, std::size_t groupCount) const;

    std::span<const std::uint8_t> scheduleBytes() const { return schedule_.bytes(); }

private:
    SecureBox<BlowfishSchedule> schedule_;
};

}  // namespace pelorin
