#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app_common/SharedRandom.h"

namespace pelorin {
namespace {

std::vector<int> Draw(int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) out.push_back(NextSharedRandom());
    return out;
}

TEST(SharedRandomTest, ClassicSequenceAfterSeedingOne) {
    SeedSharedRandom(1);
    EXPECT_EQ(Draw(5), (std::vector<int>{41, 18467, 6334, 26500, 19169}));
}

TEST(SharedRandomTest, EachThreadStartsAtOneAndKeepsItsOwnState) {
    SeedSharedRandom(12345);
    NextSharedRandom();
    std::vector<int> fromThread;
    std::thread worker([&] { fromThread = Draw(3); });
    worker.join();
    EXPECT_EQ(fromThread, (std::vector<int>{41, 18467, 6334}));
}

TEST(SharedRandomTest, OutputsStayIn15Bits) {
    SeedSharedRandom(0xFFFFFFFFu);
    for (int v : Draw(10000)) {
        ASSERT_GE(v, 0);
        ASSERT_LE(v, kSharedRandomMax);
    }
}

}  // namespace
}  // namespace pelorin
