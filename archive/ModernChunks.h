#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "archive/ModernFormat.h"
#include "cipher/ParallelRunner.h"

namespace pelorin::archive {

// The chunks of one file and the batches the engines move them in: a batch
// is read (or written) in one call and its chunks are sealed or opened side
// by side on the worker pool, since every chunk has its own nonce and tag.
inline constexpr std::uint64_t kChunksPerBatch = 16;

class ChunkLayout {
public:
    explicit ChunkLayout(std::uint64_t fileSize) : size_(fileSize), chunks_(ChunkCount(fileSize)) {}

    std::uint64_t chunks() const { return chunks_; }
    std::uint64_t batches() const { return (chunks_ + kChunksPerBatch - 1) / kChunksPerBatch; }
    std::uint64_t FirstChunk(std::uint64_t batch) const { return batch * kChunksPerBatch; }
    std::uint64_t ChunksIn(std::uint64_t batch) const;
    std::size_t PlainLength(std::uint64_t chunk) const;
    // The bytes of the batch's plaintext and of its sealed chunks.
    std::size_t PlainBytes(std::uint64_t batch) const;
    std::size_t SealedBytes(std::uint64_t batch) const;

private:
    std::uint64_t size_;
    std::uint64_t chunks_;
};

// Seals the batch's plaintext (contiguous) into `sealed` (contiguous,
// SealedBytes long) under the data key.
void SealBatch(std::span<const std::uint8_t, 32> dataKey, const ChunkLayout& layout, std::uint64_t batch,
               std::span<const std::uint8_t> plain, std::span<std::uint8_t> sealed, ParallelRunner& runner);

// Opens the sealed chunks of a batch of which only `available` bytes could
// be read into `plain`; returns how many chunks, from the batch's first,
// opened (their plaintext is valid; everything after them is zeros).
std::uint64_t OpenBatch(std::span<const std::uint8_t, 32> dataKey, const ChunkLayout& layout, std::uint64_t batch,
                        std::span<const std::uint8_t> sealed, std::size_t available, std::span<std::uint8_t> plain,
                        ParallelRunner& runner);

}  // namespace pelorin::archive
