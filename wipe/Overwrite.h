#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/File.h"
#include "wipe/WipeTally.h"

namespace pelorin::wipe {

// One overwrite of a file region, pass after pass: the shared core of the
// library's file, free-space and slack wipes and of the programs' own file
// wipes, which differ only in the settings below.
struct OverwriteJob {
    std::uint64_t offset = 0;  // where every pass starts
    std::uint64_t length = 0;  // bytes per pass
    // When given, each pass writes these stretches in turn instead of
    // `length` bytes from `offset` (a sparse file's data); `length` is then
    // their total.
    std::vector<platform::FileRange> parts;
    std::size_t unit = 0;      // bytes per write as the callbacks see it (a cluster)
    // The pass count, read before the first pass and again after every pass.
    std::function<int()> passCount;
    // Fills the unit-sized pattern block at the start of a pass.
    std::function<void(int pass, std::span<std::uint8_t> block)> preparePass;
    // When set, refills each unit before it is written (a fresh random block
    // per write); units then go out one per write call.
    std::function<void(int pass, std::span<std::uint8_t> unit)> prepareUnit;
    // Called at the start of every pass (status texts).
    std::function<void(int pass)> onPassStart;
    // Called after each unit written, in order; false stops the overwrite.
    std::function<bool(int pass, std::uint64_t unitIndex)> afterUnit;
    // Off for wipes that write whole passes without forcing them to disk.
    bool flushEachPass = true;
    // Writes bypass the system's cache where the file and the job allow it
    // (whole units of a multiple of 4096 bytes).
    bool bypassCache = false;

    // A write that fails or falls short stops the overwrite unless the job
    // expects the volume to fill up (the free-space fill).
    bool volumeMayFill = false;
    // When a write fails, the space under what the job wrote (which holds
    // nothing but its patterns now) is given back to the volume where the
    // file system can, so that a failed wipe does not leave it full.
    bool giveBackOnFailure = false;
    // After the last pass, what it wrote is read back from the disk and
    // compared with its pattern (ReadBack; the file must be open for
    // reading). Not for jobs that refill every unit (`prepareUnit`).
    bool verify = false;
};

enum class OverwriteResult { Completed, Stopped, WriteFailed, VerifyFailed };

// Writes the job's passes. Every write of a pass carries the same pattern
// block; several units go out per write call while the callbacks still see
// one call per unit. What was written and verified is added to `tally`
// (files overwritten are the caller's to count).
OverwriteResult Overwrite(platform::File& file, const OverwriteJob& job, WipeTally* tally = nullptr);

std::uint64_t TotalLength(const std::vector<platform::FileRange>& parts);

// ((length + cluster - 1) / cluster) * cluster.
constexpr std::uint64_t WipeLength(std::uint64_t length, std::uint64_t cluster) {
    return cluster == 0 ? length : (length + cluster - 1) / cluster * cluster;
}

}  // namespace pelorin::wipe
