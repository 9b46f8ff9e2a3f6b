#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/SecureBuffer.h"

namespace pelorin {

inline constexpr int kIdeaSubkeys = 52;

struct IdeaSchedule {
    std::uint16_t encrypt[kIdeaSubkeys];
    std::uint16_t decrypt[kIdeaSubkeys];
};

// IDEA (Lai and Massey), block by block. All 16-bit words, of the key and of
// the data, are little-endian: the low byte comes first. The published
// vectors apply after swapping the two bytes of every word.
class IdeaKey {
public:
    // Uses the first 16 key bytes; the key must hold at least 16.
    explicit IdeaKey(std::span<const std::uint8_t> key);

    void EncryptBlock(std::uint8_t* block) const;
    void DecryptBlock(std::uint8_t* block) const;
    void EncryptGroups(std::uint8_t* data, std::size_t groupCount) const;
    void DecryptGroups(std::uint8_t* data, std::size_t groupCount) const;

    const IdeaSchedule& schedule() const { return *schedule_; }

private:
    SecureBox<IdeaSchedule> schedule_;
};

}  // namespace pelorin
