#include <gtest/gtest.h>

#include "app_common/TransferRate.h"

namespace pelorin {
namespace {

TEST(TransferRateTest, AmountsReadAsPeopleWriteThem) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"},           {999, "999 B"},         {1000, "1.00 kB"},        {1234, "1.23 kB"},
        {99'940, "99.9 kB"},  {99'960, "100 kB"},     {999'400, "999 kB"},      {999'600, "1.00 MB"},
        {268'435'456, "268 MB"}, {1'073'741'824, "1.07 GB"}, {UINT64_MAX, "18.4 EB"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(ByteCountText(bytes), text) << bytes;
}

// A steady job shows its rate and an honest time left; a stall lowers the
// rate gradually instead of freezing the estimate or dropping it at once,
// and the time left of a steady job counts down without jumps.
TEST(TransferRateTest, RateIsSmoothedAndTheTimeLeftCountsDown) {
    TransferRate rate;
    EXPECT_EQ(TransferText(0, 1000, rate), "0 B of 1.00 kB");
    const std::uint64_t total = 1'000'000'000;
    double previousLeft = 10.0;
    for (int tenth = 1; tenth <= 50; ++tenth) {
        const double seconds = tenth / 10.0;
        rate.Record(seconds, static_cast<std::uint64_t>(seconds * 100e6));
        const double left = *rate.SecondsLeft(total - static_cast<std::uint64_t>(seconds * 100e6));
        EXPECT_LE(left, previousLeft);
        EXPECT_GT(left, previousLeft - 0.2);
        previousLeft = left;
    }
    EXPECT_NEAR(rate.bytesPerSecond(), 100e6, 1e3);
    EXPECT_EQ(TransferText(500'000'000, total, rate), "500 MB of 1.00 GB, 100 MB/s, 0:05 left");
    // Nothing moves for one second: the rate falls, but by less than half.
    rate.Record(6.0, 500'000'000);
    EXPECT_LT(rate.bytesPerSecond(), 90e6);
    EXPECT_GT(rate.bytesPerSecond(), 50e6);
}

TEST(TransferRateTest, SummaryNamesFilesBytesSecondsAndRate) {
    EXPECT_EQ(TransferSummary(10000, 10'240'000, 0.5), "10000 files, 10.2 MB in 0.50 s (20.5 MB/s)");
    EXPECT_EQ(TransferSummary(1, 5, 0), "1 file, 5 B in 0.00 s");
}

}  // namespace
}  // namespace pelorin
