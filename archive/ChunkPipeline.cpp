#include "archive/ChunkPipeline.h"

#include <algorithm>
#include <future>

#include "cipher/GroupCipher.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"

namespace pelorin::archive {

PipelineOutcome RunChunkPipeline(ByteSource& source, ByteSink& sink, std::uint64_t chunkCount, std::size_t chunkSize,
                                 ShortRead onShortRead, const std::function<void(std::span<std::uint8_t>)>& transform,
                                 const std::function<void()>& afterChunk) {
    PipelineOutcome outcome;
    if (chunkCount == 0) return outcome;
    // The buffers outlive the pending operations below (declared first,
    // destroyed last), also when afterChunk throws.
    SecureBuffer first(chunkSize, kDataScrubPasses), second(chunkSize, kDataScrubPasses),
        third(chunkSize, kDataScrubPasses);
    SecureBuffer* buffers[3] = {&first, &second, &third};
    auto readInto = [&source](SecureBuffer* target) { return source.Read(target->bytes()); };
    std::future<std::size_t> pendingRead = std::async(std::launch::async, readInto, buffers[0]);
    std::future<bool> pendingWrite;
    for (std::uint64_t i = 0; i < chunkCount; ++i) {
        std::span<std::uint8_t> current = buffers[i % 3]->bytes();
        const std::size_t got = pendingRead.get();
        bool stop = false;
        if (got < current.size()) {
            outcome.readShort = true;
            if (onShortRead == ShortRead::FillWithZeros) {
                std::fill(current.begin() + static_cast<std::ptrdiff_t>(got), current.end(), std::uint8_t{0});
            } else {
                current = current.first(got / kGroupSize * kGroupSize);
                stop = true;
            }
        }
        if (!stop && i + 1 < chunkCount) pendingRead = std::async(std::launch::async, readInto, buffers[(i + 1) % 3]);
        transform(current);
        if (pendingWrite.valid() && !pendingWrite.get()) outcome.writeFailed = true;
        if (outcome.writeFailed) break;
        pendingWrite = std::async(std::launch::async, [&sink, current] { return sink.Write(current); });
        if (stop) break;
        afterChunk();
    }
    if (pendingWrite.valid() && !pendingWrite.get()) outcome.writeFailed = true;
    if (pendingRead.valid()) pendingRead.wait();
    return outcome;
}

}  // namespace pelorin::archive
