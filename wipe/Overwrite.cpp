#include "wipe/Overwrite.h"

#include <algorithm>
#include <vector>

#include "platform/Memory.h"

namespace pelorin::wipe {
namespace {

// About a megabyte of repeated pattern per write call.
constexpr std::size_t kBatchBytes = 1u << 20;

}  // namespace

OverwriteResult Overwrite(platform::File& file, const OverwriteJob& job) {
    const std::size_t unit = std::max<std::size_t>(job.unit, 1);
    const std::uint64_t unitsPerPass = (job.length + unit - 1) / unit;
    const std::size_t unitsPerBatch = job.prepareUnit ? 1 : std::max<std::size_t>(1, kBatchBytes / unit);
    std::vector<std::uint8_t> batch(unit * unitsPerBatch);
    const std::span<std::uint8_t> block(batch.data(), unit);
    // The block stays in physical memory while in use.
    platform::LockMemory(batch.data(), batch.size());
    struct Unlock {
        std::vector<std::uint8_t>& buffer;
        ~Unlock() { platform::UnlockMemory(buffer.data(), buffer.size()); }
    } unlock{batch};

    for (int pass = 0; pass < job.passCount(); ++pass) {
        if (job.onPassStart) job.onPassStart(pass);
        if (file.Seek(static_cast<std::int64_t>(job.offset), platform::SeekFrom::Start) < 0 && !job.volumeMayFill) {
            return OverwriteResult::WriteFailed;
        }
        if (job.preparePass) job.preparePass(pass, block);
        for (std::size_t copy = 1; copy < unitsPerBatch; ++copy) {
            std::copy(block.begin(), block.end(), batch.begin() + static_cast<std::ptrdiff_t>(copy * unit));
        }
        bool volumeFull = false;
        for (std::uint64_t done = 0; done < unitsPerPass;) {
            const std::uint64_t units = std::min<std::uint64_t>(unitsPerBatch, unitsPerPass - done);
            // The last unit of a pass may be partial (an exact-length wipe).
            const std::uint64_t bytes = std::min<std::uint64_t>(units * unit, job.length - done * unit);
            if (job.prepareUnit) job.prepareUnit(pass, std::span(batch.data(), static_cast<std::size_t>(bytes)));
            if (!volumeFull) {
                const std::int64_t written = file.Write(batch.data(), static_cast<std::size_t>(bytes));
                if (written != static_cast<std::int64_t>(bytes)) {
                    if (!job.volumeMayFill) return OverwriteResult::WriteFailed;
                    volumeFull = true;  // the rest of this pass fails quietly and still counts
                }
            }
            for (std::uint64_t u = 0; u < units; ++u) {
                if (job.afterUnit && !job.afterUnit(pass, done + u)) return OverwriteResult::Stopped;
            }
            done += units;
        }
        if (job.flushEachPass) file.Flush();
    }
    return OverwriteResult::Completed;
}

}  // namespace pelorin::wipe
