#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/SecureBuffer.h"

namespace pelorin {

inline constexpr int kNewDesSubkeyBytes = 60;

struct NewDesSchedule {
    std::uint8_t k[kNewDesSubkeyBytes];
};

// Scott's NewDES block function with this suite's own key schedule: the first
// 15 key bytes k0..k14 expand to K[4i] = ki, K[4i+1] = ki ^ k7,
// K[4i+2] = ki ^ k8, K[4i+3] = ki ^ k9, consumed strictly in index order.
class NewDesKey {
public:
    // Uses the first 15 key bytes; the key must hold at least 15.
    explicit NewDesKey(std::span<const std::uint8_t> key);

    void EncryptBlock(std::uint8_t* block) const;
    void DecryptBlock(std::uint8_t* block) const;
    void EncryptGroups(std::uint8_t* data, std::size_t groupCount) const;
    void DecryptGroups(std::uint8_t* data, std::size_t groupCount) const;

    const NewDesSchedule& schedule() const { return *schedule_; }

private:
    SecureBox<NewDesSchedule> schedule_;
};

}  // namespace pelorin
