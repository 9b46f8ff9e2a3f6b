#include "archive/SpreadCipher.h"

#include <algorithm>
#include <atomic>

namespace pelorin::archive {

void SpreadCipher::Encrypt(std::span<std::uint8_t> groups) { Spread<true>(groups); }
void SpreadCipher::Decrypt(std::span<std::uint8_t> groups) { Spread<false>(groups); }

template <bool kEncrypt>
void SpreadCipher::Spread(std::span<std::uint8_t> groups) {
    auto run = [this](std::span<std::uint8_t> part) {
        if constexpr (kEncrypt) {
            cipher_->Encrypt(part);
        } else {
            cipher_->Decrypt(part);
        }
    };
    if (pool_.threads() < 2 || groups.size() < kSmallestSpread || !cipher_->GroupsIndependent()) {
        run(groups);
        return;
    }
    // Every thread takes the next unclaimed piece until none is left, so a
    // thread that the system pauses (for the pipeline's reads and writes on
    // the same cores) holds up at most one piece, not half of the buffer.
    const std::size_t pieceCount = (groups.size() + kPieceSize - 1) / kPieceSize;
    std::atomic<std::size_t> next{0};
    pool_.RunParts([&](unsigned) {
        for (std::size_t piece = next++; piece < pieceCount; piece = next++) {
            const std::size_t begin = piece * kPieceSize;
            run(groups.subspan(begin, std::min(kPieceSize, groups.size() - begin)));
        }
    });
}

}  // namespace pelorin::archive
