#include "archive/ChunkPipeline.h"

#include <algorithm>
#include <array>
#include <future>

#include "cipher/GroupCipher.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"

namespace pelorin::archive {

BatchOutcome RunBatchPipeline(std::uint64_t count, const BatchSteps& steps) {
    BatchOutcome outcome;
    if (count == 0) return outcome;
    const auto slotOf = [](std::uint64_t batch) { return static_cast<unsigned>(batch % kPipelineSlots); };
    const auto startRead = [&](std::uint64_t batch) {
        return std::async(std::launch::async, [&steps, batch, slot = slotOf(batch)] { return steps.read(batch, slot); });
    };
    std::future<bool> pendingRead = startRead(0);
    std::future<bool> pendingWrite;
    for (std::uint64_t i = 0; i < count; ++i) {
        const bool readOn = pendingRead.get();
        if (!readOn) outcome.endedByRead = true;
        if (readOn && i + 1 < count) pendingRead = startRead(i + 1);
        const bool transformOn = steps.transform(i, slotOf(i));
        if (!transformOn) outcome.endedByTransform = true;
        if (pendingWrite.valid() && !pendingWrite.get()) outcome.writeFailed = true;
        if (outcome.writeFailed) break;
        pendingWrite = std::async(std::launch::async, [&steps, i, slot = slotOf(i)] { return steps.write(i, slot); });
        if (!readOn || !transformOn) break;
        steps.afterBatch(i);
    }
    if (pendingWrite.valid() && !pendingWrite.get()) outcome.writeFailed = true;
    if (pendingRead.valid()) pendingRead.wait();
    return outcome;
}

PipelineOutcome RunChunkPipeline(ByteSource& source, ByteSink& sink, std::uint64_t chunkCount, std::size_t chunkSize,
                                 ShortRead onShortRead, const std::function<void(std::span<std::uint8_t>)>& transform,
                                 const std::function<void()>& afterChunk) {
    PipelineOutcome outcome;
    if (chunkCount == 0) return outcome;
    // The buffers outlive the pending operations of the run.
    SecureBuffer first(chunkSize, kDataScrubPasses), second(chunkSize, kDataScrubPasses),
        third(chunkSize, kDataScrubPasses);
    const std::array<SecureBuffer*, kPipelineSlots> buffers = {&first, &second, &third};
    std::array<std::span<std::uint8_t>, kPipelineSlots> current{};
    bool readShort = false;
    BatchSteps steps;
    steps.read = [&](std::uint64_t, unsigned slot) {
        std::span<std::uint8_t> chunk = buffers[slot]->bytes();
        const std::size_t got = source.Read(chunk);
        current[slot] = chunk;
        if (got == chunk.size()) return true;
        readShort = true;
        if (onShortRead == ShortRead::FillWithZeros) {
            std::fill(chunk.begin() + static_cast<std::ptrdiff_t>(got), chunk.end(), std::uint8_t{0});
            return true;
        }
        current[slot] = chunk.first(got / kGroupSize * kGroupSize);
        return false;
    };
    steps.transform = [&](std::uint64_t, unsigned slot) {
        transform(current[slot]);
        return true;
    };
    steps.write = [&](std::uint64_t, unsigned slot) { return sink.Write(current[slot]); };
    steps.afterBatch = [&](std::uint64_t) { afterChunk(); };
    const BatchOutcome batches = RunBatchPipeline(chunkCount, steps);
    outcome.readShort = readShort;
    outcome.writeFailed = batches.writeFailed;
    return outcome;
}

}  // namespace pelorin::archive
