#pragma once

#include <memory>

#include "archive/WorkerPool.h"
#include "cipher/GroupCipher.h"

namespace pelorin::archive {

// Hands large buffers of a cipher whose groups are independent to a worker
// pool, cut at group boundaries into pieces the threads take in turn; the result is
// byte for byte what the cipher gives on one thread. Small buffers, a pool
// of one, and ciphers that carry state from group to group go straight
// through.
class SpreadCipher final : public GroupCipher {
public:
    SpreadCipher(std::unique_ptr<GroupCipher> cipher, WorkerPool& pool) : cipher_(std::move(cipher)), pool_(pool) {}

    void Encrypt(std::span<std::uint8_t> groups) override;
    void Decrypt(std::span<std::uint8_t> groups) override;
    bool GroupsIndependent() const override { return cipher_->GroupsIndependent(); }

    // Below this a wake-up of the pool costs more than it gives.
    static constexpr std::size_t kSmallestSpread = 128 * 1024;
    // Small enough that the threads end a buffer close together, large
    // enough that claiming a piece costs nothing beside ciphering it.
    static constexpr std::size_t kPieceSize = 32 * 1024;
    static_assert(kPieceSize % kGroupSize == 0);

private:
    template <bool kEncrypt>
    void Spread(std::span<std::uint8_t> groups);

    std::unique_ptr<GroupCipher> cipher_;
    WorkerPool& pool_;
};

}  // namespace pelorin::archive
