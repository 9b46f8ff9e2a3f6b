#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "platform/File.h"

namespace pelorin::wipe {

// The free-space fill: a file that grows until the volume refuses more,
// pass after pass. The first pass claims every cluster the volume gives:
// when a write is refused or comes back short, the fill goes on with smaller
// writes (one cluster at a time, then one sector) until the volume
// refuses a single sector, so that no last stretch of free space is left
// with old data in it. Every later pass rewrites exactly what the first
// claimed.
struct FillJob {
    std::uint64_t cluster = 0;     // the volume's allocation unit
    std::uint64_t sector = 512;    // the smallest write tried
    std::uint64_t freeBytes = 0;   // what the volume reported free: the progress counts by it
    std::function<int()> passCount;  // read before the first pass and after every pass
    std::function<void(int pass, std::span<std::uint8_t> block)> preparePass;  // one cluster of pattern
    // After each cluster the progress counts (freeBytes / cluster of them per
    // pass, whether or not the volume took them all); false stops the fill.
    std::function<bool()> afterCluster;
    // Between writes beyond the reported free space: false stops the fill.
    std::function<bool()> keepGoing;
};

enum class FillResult { Completed, Stopped };

struct FillOutcome {
    FillResult result = FillResult::Completed;
    std::uint64_t claimed = 0;  // bytes the first pass laid down
};

FillOutcome FillFreeSpace(platform::File& file, const FillJob& job);

}  // namespace pelorin::wipe
