#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <stdexcept>

#include "TestHex.h"
#include "archive/SpreadCipher.h"
#include "cipher/Algorithm.h"

namespace pelorin::archive {
namespace {

const std::vector<std::uint8_t> kKey = test::TestBytes(20, 9);

// Every algorithm, in both directions, for sizes on both sides of the
// smallest spread and group counts that three threads cannot share evenly:
// the pool gives what one thread gives, also when the cipher carries state
// from call to call.
TEST(SpreadCipherTest, ThePoolGivesWhatOneThreadGives) {
    WorkerPool pool(3);
    const std::size_t sizes[] = {8, SpreadCipher::kSmallestSpread - 8, SpreadCipher::kSmallestSpread,
                                 SpreadCipher::kSmallestSpread + 7 * 8, (1u << 20) + 5 * 8};
    for (int algorithm = 0; algorithm < kAlgorithmCount; ++algorithm) {
        SCOPED_TRACE(algorithm);
        auto single = MakeGroupCipher(algorithm, kKey);
        SpreadCipher spread(MakeGroupCipher(algorithm, kKey), pool);
        for (const std::size_t size : sizes) {
            SCOPED_TRACE(size);
            const auto plain = test::TestBytes(size, static_cast<std::uint32_t>(size));
            auto one = plain;
            auto many = plain;
            single->Encrypt(one);
            spread.Encrypt(many);
            ASSERT_EQ(one, many);
            single->Decrypt(one);
            spread.Decrypt(many);
            ASSERT_EQ(one, many);
        }
    }
}

TEST(WorkerPoolTest, AFailingPartIsRethrownOnlyAfterEveryPartEnded) {
    WorkerPool pool(4);
    std::atomic<int> ended{0};
    EXPECT_THROW(pool.RunParts([&](unsigned index) {
        if (index == 2) throw std::runtime_error("read failed");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++ended;
    }),
                 std::runtime_error);
    EXPECT_EQ(ended.load(), 3);
    // The pool serves the next job as before.
    std::atomic<unsigned> seen{0};
    pool.RunParts([&](unsigned index) { seen |= 1u << index; });
    EXPECT_EQ(seen.load(), 0b1111u);
}

}  // namespace
}  // namespace pelorin::archive
