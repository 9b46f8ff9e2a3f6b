#include "archive/ModernChunks.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "cipher/ChaCha20Poly1305.h"

namespace pelorin::archive {

std::uint64_t ChunkLayout::ChunksIn(std::uint64_t batch) const {
    const std::uint64_t first = FirstChunk(batch);
    return first >= chunks_ ? 0 : std::min(kChunksPerBatch, chunks_ - first);
}

std::size_t ChunkLayout::PlainLength(std::uint64_t chunk) const {
    const std::uint64_t start = chunk * kModernChunkSize;
    return start >= size_ ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(kModernChunkSize, size_ - start));
}

std::size_t ChunkLayout::PlainBytes(std::uint64_t batch) const {
    std::size_t bytes = 0;
    for (std::uint64_t j = 0; j < ChunksIn(batch); ++j) bytes += PlainLength(FirstChunk(batch) + j);
    return bytes;
}

std::size_t ChunkLayout::SealedBytes(std::uint64_t batch) const {
    return PlainBytes(batch) + static_cast<std::size_t>(ChunksIn(batch)) * kModernTagSize;
}

void SealBatch(std::span<const std::uint8_t, 32> dataKey, const ChunkLayout& layout, std::uint64_t batch,
               std::span<const std::uint8_t> plain, std::span<std::uint8_t> sealed, ParallelRunner& runner) {
    const std::uint64_t count = layout.ChunksIn(batch);
    const std::uint64_t first = layout.FirstChunk(batch);
    if (plain.size() < layout.PlainBytes(batch) || sealed.size() < layout.SealedBytes(batch)) {
        throw std::logic_error("a batch buffer is too small");
    }
    runner.Run(static_cast<unsigned>(count), [&](unsigned j) {
        const std::uint64_t chunk = first + j;
        const std::size_t length = layout.PlainLength(chunk);
        // Every chunk before this one in the batch is whole.
        const std::size_t plainAt = std::size_t{j} * kModernChunkSize;
        const std::size_t sealedAt = std::size_t{j} * kSealedChunkSize;
        const auto nonce = ChunkNonce(chunk, chunk + 1 == layout.chunks());
        ChaCha20Poly1305Seal(dataKey, nonce, {}, plain.subspan(plainAt, length),
                             sealed.subspan(sealedAt, length + kModernTagSize));
    });
}

std::uint64_t OpenBatch(std::span<const std::uint8_t, 32> dataKey, const ChunkLayout& layout, std::uint64_t batch,
                        std::span<const std::uint8_t> sealed, std::size_t available, std::span<std::uint8_t> plain,
                        ParallelRunner& runner) {
    const std::uint64_t count = layout.ChunksIn(batch);
    const std::uint64_t first = layout.FirstChunk(batch);
    if (plain.size() < layout.PlainBytes(batch) || sealed.size() < available) {
        throw std::logic_error("a batch buffer is too small");
    }
    std::array<bool, kChunksPerBatch> opened{};
    runner.Run(static_cast<unsigned>(count), [&](unsigned j) {
        const std::uint64_t chunk = first + j;
        const std::size_t length = layout.PlainLength(chunk);
        const std::size_t plainAt = std::size_t{j} * kModernChunkSize;
        const std::size_t sealedAt = std::size_t{j} * kSealedChunkSize;
        const auto out = plain.subspan(plainAt, length);
        if (sealedAt + length + kModernTagSize > available) {
            std::fill(out.begin(), out.end(), std::uint8_t{0});  // cut off: nothing of it is taken
            return;
        }
        const auto nonce = ChunkNonce(chunk, chunk + 1 == layout.chunks());
        opened[j] = ChaCha20Poly1305Open(dataKey, nonce, {}, sealed.subspan(sealedAt, length + kModernTagSize), out);
    });
    std::uint64_t good = 0;
    while (good < count && opened[good]) ++good;
    // Nothing after a chunk that failed is handed on, even if it opened.
    const std::size_t keep = static_cast<std::size_t>(good) * kModernChunkSize;
    const std::size_t used = layout.PlainBytes(batch);
    if (keep < used) std::fill(plain.begin() + static_cast<std::ptrdiff_t>(keep), plain.begin() + static_cast<std::ptrdiff_t>(used), std::uint8_t{0});
    return good;
}

}  // namespace pelorin::archive
