#pragma once

#include <cstdint>

namespace pelorin::archive {

inline constexpr std::uint64_t kMaxChunkSize = 1'000'000;
inline constexpr std::uint64_t kWholeFileChunkLimit = 10'000;

// The writer's and the reader's block size for an entry of `size` bytes:
// 8 below 8 bytes; the whole entry rounded down to a multiple of 8 below
// 10,000 bytes; otherwise a tenth of it rounded down to a multiple of 8, at
// most 1,000,000. So an entry shows about ten progress steps.
constexpr std::uint64_t ChunkSize(std::uint64_t size) {
    if (size < 8) return 8;
    if (size < kWholeFileChunkLimit) return size / 8 * 8;
    const std::uint64_t tenth = size / 10 / 8 * 8;
    return tenth >= kMaxChunkSize ? kMaxChunkSize : tenth;
}

// Within a chunk the engines read, transform and write slices of this size,
// so that each slice is still in the processor's cache when the cipher runs
// over it. Slices are whole groups; they change nothing in the stored bytes.
inline constexpr std::size_t kSliceSize = 64 * 1024;

// The progress step for n whole chunks: the bar's range spread over them.
constexpr int ProgressStep(std::uint64_t chunkCount, int full) {
    return chunkCount == 0 ? full : static_cast<int>(static_cast<std::uint64_t>(full) / chunkCount);
}

}  // namespace pelorin::archive
