#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/SecureBuffer.h"

namespace pelorin {

inline constexpr int kSaferRounds = 10;
inline constexpr int kSaferMaxRounds = 13;
inline constexpr int kSaferSubkeyRoom = 8 * (2 * kSaferMaxRounds + 1);

// The whole key object is scrubbed on release: round count, subkeys and the
// two tables.
struct SaferSchedule {
    std::uint8_t rounds;
    std::uint8_t subkeys[kSaferSubkeyRoom];
    std::uint8_t exp[256];  // 45^i mod 257, with 256 stored as 0
    std::uint8_t log[256];  // log[exp[i]] = i
};

// Per round and byte position, the first key layer, the exp or log
// substitution and the second key layer folded into one 256-byte table, and
// its inverse for decryption. They hold key material and are scrubbed too.
struct SaferRoundTables {
    std::uint8_t forward[kSaferRounds][8][256];
    std::uint8_t backward[kSaferRounds][8][256];
};

// SAFER SK-128 with 10 rounds: key half A is key bytes 0..7, half B bytes
// 8..15, strengthened key schedule. All arithmetic is on bytes.
class SaferKey {
public:
    // Uses the first 16 key bytes; the key must hold at least 16.
    explicit SaferKey(std::span<const std::uint8_t> key);

    void EncryptBlock(std::uint8_t* block) const;
    void DecryptBlock(std::uint8_t* block) const;
    void EncryptGroups(std::uint8_t* data, std::size_t groupCount) const;
    void DecryptGroups(std::uint8_t* data, std::size_t groupCount) const;

    const SaferSchedule& schedule() const { return *schedule_; }

private:
    SecureBox<SaferSchedule> schedule_;
    SecureBox<SaferRoundTables> tables_;
};

}  // namespace pelorin
