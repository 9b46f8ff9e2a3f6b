#include <gtest/gtest.h>

#include <cstdint>
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

// The fast fill gives the low bytes of the same outputs and leaves the state
// where one call per byte would, for counts around its lane width.
TEST(SharedRandomTest, FillGivesTheLowBytesOfTheSequenceAndKeepsItsPlace) {
    for (const std::size_t count : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 1000u, 4243u}) {
        SCOPED_TRACE(count);
        SeedSharedRandom(0xC0FFEEu + static_cast<std::uint32_t>(count));
        std::vector<std::uint8_t> expected;
        for (const int v : Draw(static_cast<int>(count))) expected.push_back(static_cast<std::uint8_t>(v));
        const std::vector<int> next = Draw(3);
        SeedSharedRandom(0xC0FFEEu + static_cast<std::uint32_t>(count));
        std::vector<std::uint8_t> filled(count);
        FillWithSharedRandomBytes(filled.data(), count);
        EXPECT_EQ(filled, expected);
        EXPECT_EQ(Draw(3), next);
    }
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
