#include "wipe/Overwrite.h"

#include <algorithm>

#include "wipe/PatternBatch.h"

namespace pelorin::wipe {

OverwriteResult Overwrite(platform::File& file, const OverwriteJob& job) {
    const std::size_t unit = std::max<std::size_t>(job.unit, 1);
    const std::uint64_t unitsPerPass = (job.length + unit - 1) / unit;
    // A small file needs no more than itself.
    const std::size_t unitsPerBatch =
        job.prepareUnit ? 1
                        : static_cast<std::size_t>(std::clamp<std::uint64_t>(
                              unitsPerPass, 1, PatternBatch::UnitsPerMegabyte(unit)));
    PatternBatch batch(unit, unitsPerBatch);
    if (job.bypassCache && unit % PatternBatch::kAlignment == 0 && job.length % unit == 0 &&
        job.offset % PatternBatch::kAlignment == 0) {
        file.BypassCache();
    }

    for (int pass = 0; pass < job.passCount(); ++pass) {
        if (job.onPassStart) job.onPassStart(pass);
        if (file.Seek(static_cast<std::int64_t>(job.offset), platform::SeekFrom::Start) < 0 && !job.volumeMayFill) {
            return OverwriteResult::WriteFailed;
        }
        if (job.preparePass) job.preparePass(pass, batch.block());
        batch.Repeat();
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
