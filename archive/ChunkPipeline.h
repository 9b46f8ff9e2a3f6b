#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "archive/Streams.h"

namespace pelorin::archive {

// The steps of a pipeline over `count` batches. Reading batch i + 1 and
// writing batch i - 1 overlap with the transform of batch i, so that the
// disk and the cipher keep each other busy. Each batch passes through one of
// three slots (i % 3), in which the caller's steps keep their buffers: a
// slot is read into, transformed and written before it is read into again.
// The transform runs on the calling thread (which may hand its parts to the
// worker pool); reads and writes run on threads of their own, one at a time
// each, in order.
struct BatchSteps {
    // Fills the slot with batch i; false makes it the last batch (the source
    // ended or failed): it is still transformed and written.
    std::function<bool(std::uint64_t batch, unsigned slot)> read;
    // False makes it the last batch (it is still written).
    std::function<bool(std::uint64_t batch, unsigned slot)> transform;
    // False when the sink refused bytes; nothing is written after it.
    std::function<bool(std::uint64_t batch, unsigned slot)> write;
    // On the calling thread after each batch that neither step ended (the
    // progress window and the user are only touched there); it may throw to
    // end the run, which then waits for the pending read and write.
    std::function<void(std::uint64_t batch)> afterBatch;
};

inline constexpr unsigned kPipelineSlots = 3;

struct BatchOutcome {
    bool endedByRead = false;       // a read made its batch the last
    bool endedByTransform = false;  // the transform made its batch the last
    bool writeFailed = false;       // the sink refused bytes
};

BatchOutcome RunBatchPipeline(std::uint64_t count, const BatchSteps& steps);

// What to do when the source delivers less than a whole chunk.
enum class ShortRead {
    FillWithZeros,  // the layout keeps its byte count; the run goes on
    Stop,           // the whole groups read are transformed and written; the run ends
};

struct PipelineOutcome {
    bool readShort = false;    // the source delivered less than asked
    bool writeFailed = false;  // the sink refused bytes; nothing more was written
};

// The classic archives' form: `chunkCount` chunks of `chunkSize` bytes from
// `source` through `transform` (in place) to `sink`, in three locked
// buffers. `afterChunk` runs after each chunk as afterBatch does.
PipelineOutcome RunChunkPipeline(ByteSource& source, ByteSink& sink, std::uint64_t chunkCount, std::size_t chunkSize,
                                 ShortRead onShortRead, const std::function<void(std::span<std::uint8_t>)>& transform,
                                 const std::function<void()>& afterChunk);

}  // namespace pelorin::archive
