#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "archive/Streams.h"

namespace pelorin::archive {

// What to do when the source delivers less than a whole chunk.
enum class ShortRead {
    FillWithZeros,  // the layout keeps its byte count; the run goes on
    Stop,           // the whole groups read are transformed and written; the run ends
};

struct PipelineOutcome {
    bool readShort = false;    // the source delivered less than asked
    bool writeFailed = false;  // the sink refused bytes; nothing more was written
};

// Moves `chunkCount` chunks of `chunkSize` bytes from `source` through
// `transform` (in place) to `sink`. Reading the next chunk and writing the
// previous one overlap with the transform of the current one: three locked
// buffers take turns, so the disk and the cipher keep each other busy.
// `afterChunk` runs on the calling thread after each chunk (the progress
// window and the user are only touched there); it may throw to end the run.
PipelineOutcome RunChunkPipeline(ByteSource& source, ByteSink& sink, std::uint64_t chunkCount, std::size_t chunkSize,
                                 ShortRead onShortRead, const std::function<void(std::span<std::uint8_t>)>& transform,
                                 const std::function<void()>& afterChunk);

}  // namespace pelorin::archive
