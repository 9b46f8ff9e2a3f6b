#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>
#include <stdexcept>

#include "archive/ChunkPipeline.h"
#include "archive/SpreadCipher.h"

namespace pelorin::archive {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Counting(std::size_t n) {
    Bytes bytes(n);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

// Adds 1 to every byte, so that the output shows which bytes went through.
void AddOne(std::span<std::uint8_t> block) {
    for (auto& b : block) ++b;
}

TEST(ChunkPipelineTest, EveryChunkGoesThroughInOrder) {
    const Bytes input = Counting(5 * 64);
    MemorySource source(input);
    MemorySink sink;
    int chunks = 0;
    const auto outcome = RunChunkPipeline(source, sink, 5, 64, ShortRead::Stop, AddOne, [&] { ++chunks; });
    EXPECT_FALSE(outcome.readShort);
    EXPECT_FALSE(outcome.writeFailed);
    EXPECT_EQ(chunks, 5);
    Bytes expected = input;
    AddOne(expected);
    EXPECT_EQ(sink.bytes(), expected);
}

TEST(ChunkPipelineTest, AShortSourceIsFilledWithZerosOrStopsAfterItsWholeGroups) {
    const Bytes input = Counting(64 + 21);  // the second of three chunks ends after 21 bytes
    {
        MemorySource source(input);
        MemorySink sink;
        int chunks = 0;
        const auto outcome =
            RunChunkPipeline(source, sink, 3, 64, ShortRead::FillWithZeros, [](auto) {}, [&] { ++chunks; });
        EXPECT_TRUE(outcome.readShort);
        EXPECT_EQ(chunks, 3);
        ASSERT_EQ(sink.bytes().size(), 3u * 64);  // the layout keeps its length
        EXPECT_TRUE(std::equal(input.begin(), input.end(), sink.bytes().begin()));
        EXPECT_TRUE(std::all_of(sink.bytes().begin() + 85, sink.bytes().end(), [](auto b) { return b == 0; }));
    }
    {
        MemorySource source(input);
        MemorySink sink;
        int chunks = 0;
        const auto outcome = RunChunkPipeline(source, sink, 3, 64, ShortRead::Stop, AddOne, [&] { ++chunks; });
        EXPECT_TRUE(outcome.readShort);
        EXPECT_EQ(chunks, 1);  // the cut chunk is not counted as done
        Bytes expected(input.begin(), input.begin() + 64 + 16);  // 21 bytes read: two whole groups
        AddOne(expected);
        EXPECT_EQ(sink.bytes(), expected);
    }
}

TEST(ChunkPipelineTest, AFailedWriteEndsTheRunAndNothingFollowsIt) {
    const Bytes input = Counting(6 * 64);
    MemorySource source(input);
    MemorySink sink(2 * 64 + 10);  // takes two chunks, refuses the third
    int transformed = 0;
    const auto outcome = RunChunkPipeline(
        source, sink, 6, 64, ShortRead::Stop, [&](auto) { ++transformed; }, [] {});
    EXPECT_TRUE(outcome.writeFailed);
    EXPECT_LE(sink.bytes().size(), 2u * 64 + 10);
    EXPECT_TRUE(std::equal(sink.bytes().begin(), sink.bytes().begin() + 128, input.begin()));
    EXPECT_LT(transformed, 6);
}

TEST(ChunkPipelineTest, AnExceptionFromTheProgressHookLeavesNothingRunning) {
    const Bytes input = Counting(8 * 64);
    MemorySource source(input);
    MemorySink sink;
    int chunks = 0;
    EXPECT_THROW(RunChunkPipeline(source, sink, 8, 64, ShortRead::Stop, AddOne,
                                  [&] {
                                      if (++chunks == 2) throw std::runtime_error("cancelled");
                                  }),
                 std::runtime_error);
    // The writes already started finish; nothing past the third chunk is read.
    EXPECT_LE(source.position(), 4u * 64);
    EXPECT_LE(sink.bytes().size(), 2u * 64);
}

// A cipher whose groups are independent and slow, counting what it does.
class CountingCipher final : public GroupCipher {
public:
    void Encrypt(std::span<std::uint8_t> groups) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        for (auto& b : groups) b ^= 0x5A;
        bytes += groups.size();
    }
    void Decrypt(std::span<std::uint8_t> groups) override { Encrypt(groups); }
    bool GroupsIndependent() const override { return true; }
    std::atomic<std::size_t> bytes{0};
};

// Chunks spread over a pool: a cancel confirmed after the second chunk and a
// write refused at the third both end the run with every worker idle (the
// count no longer moves) and nothing written after the end.
TEST(ChunkPipelineTest, ASpreadRunEndsWithEveryWorkerIdle) {
    constexpr std::size_t kChunk = 4 * SpreadCipher::kSmallestSpread;
    WorkerPool pool(3);
    const Bytes input = Counting(8 * kChunk);
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel);
        auto counting = std::make_unique<CountingCipher>();
        CountingCipher& counter = *counting;
        SpreadCipher cipher(std::move(counting), pool);
        MemorySource source(input);
        MemorySink sink(cancel ? SIZE_MAX : 2 * kChunk + 10);
        int chunks = 0;
        const auto run = [&] {
            return RunChunkPipeline(
                source, sink, 8, kChunk, ShortRead::Stop, [&](std::span<std::uint8_t> block) { cipher.Encrypt(block); },
                [&] {
                    if (cancel && ++chunks == 2) throw std::runtime_error("cancelled");
                });
        };
        if (cancel) {
            EXPECT_THROW(run(), std::runtime_error);
        } else {
            EXPECT_TRUE(run().writeFailed);
        }
        const std::size_t done = counter.bytes;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(counter.bytes, done);
        EXPECT_LE(done, 4 * kChunk);
        EXPECT_LE(sink.bytes().size(), cancel ? 2 * kChunk : 2 * kChunk + 10);
        for (std::size_t i = 0; i < std::min<std::size_t>(sink.bytes().size(), 2 * kChunk); ++i) {
            ASSERT_EQ(sink.bytes()[i], input[i] ^ 0x5A) << i;
        }
    }
}

}  // namespace
}  // namespace pelorin::archive
