#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/File.h"

namespace pelorin::wipe {

// The free-space fill: a file that grows until the volume refuses more,
// pass after pass. The first pass claims every cluster the volume gives:
// when a write is refused or comes back short, the fill goes on with smaller
// writes (one cluster at a time, then one sector) until the volume
// refuses a single sector, so that no last stretch of free space is left
// with old data in it. A volume may still have a block left then that the
// fill file cannot take because recording it would need one more block of
// the file's own (ext4's extent tree): further fill files, each a new
// record, take such blocks until a new one takes nothing. Every later pass
// rewrites exactly what the first claimed, file by file.
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
    // Another fill file, opened empty for writing; nothing when none can be
    // made. Asked in the first pass once the files so far are full.
    std::function<platform::File*()> nextFile;
    // After the last pass every fill file is read back from the disk and
    // compared with that pass's pattern (the files must be open for reading).
    bool verify = false;
};

enum class FillResult { Completed, Stopped, VerifyFailed };

struct FillOutcome {
    FillResult result = FillResult::Completed;
    std::uint64_t claimed = 0;           // bytes the first pass laid down, in all files
    std::vector<std::uint64_t> perFile;  // of which each file holds, the first file first
    std::uint64_t written = 0;           // bytes all passes wrote
    std::uint64_t verified = 0;          // bytes read back as written
};

FillOutcome FillFreeSpace(platform::File& file, const FillJob& job);

}  // namespace pelorin::wipe
