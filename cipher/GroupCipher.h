#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pelorin {

inline constexpr std::size_t kGroupSize = 8;

// The bulk interface the archive engines drive: a buffer of whole 8-byte
// groups is transformed in place. Block ciphers treat each group on its own;
// the byte-shift ciphers depend on the position within the group; the stream
// cipher carries its keystream from call to call, so cutting the data into
// different buffers never changes the result. Destroying a cipher scrubs its
// key schedule.
class GroupCipher {
public:
    virtual ~GroupCipher() = default;

    // groups.size() must be a multiple of kGroupSize.
    virtual void Encrypt(std::span<std::uint8_t> groups) = 0;
    virtual void Decrypt(std::span<std::uint8_t> groups) = 0;

    // True when any whole groups may be transformed apart from the others,
    // in any order (all but the stream cipher).
    virtual bool GroupsIndependent() const { return true; }
};

}  // namespace pelorin
