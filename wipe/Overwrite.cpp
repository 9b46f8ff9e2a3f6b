#include "wipe/Overwrite.h"

#include <algorithm>

#include "wipe/PatternBatch.h"
#include "wipe/ReadBack.h"

namespace pelorin::wipe {
namespace {

std::uint64_t UnitsIn(std::uint64_t length, std::size_t unit) { return (length + unit - 1) / unit; }

// Gives back the space under the first `written` bytes of the parts, in
// whole units (a unit written in part keeps its place).
void GiveBack(platform::File& file, const std::vector<platform::FileRange>& parts, std::uint64_t written,
              std::size_t unit) {
    for (const auto& part : parts) {
        if (written == 0) break;
        const std::uint64_t done = std::min(written, part.length);
        const std::uint64_t whole = done == part.length ? done : done / unit * unit;
        file.Deallocate({part.offset, whole});
        written -= done;
    }
}

}  // namespace

OverwriteResult Overwrite(platform::File& file, const OverwriteJob& job, WipeTally* tally) {
    const std::size_t unit = std::max<std::size_t>(job.unit, 1);
    const std::vector<platform::FileRange> parts =
        job.parts.empty() ? std::vector<platform::FileRange>{{job.offset, job.length}} : job.parts;
    std::uint64_t unitsPerPass = 0;
    bool aligned = unit % PatternBatch::kAlignment == 0;
    for (const auto& part : parts) {
        unitsPerPass += UnitsIn(part.length, unit);
        aligned = aligned && part.length % unit == 0 && part.offset % PatternBatch::kAlignment == 0;
    }
    // A small file needs no more than itself.
    const std::size_t unitsPerBatch =
        job.prepareUnit ? 1
                        : static_cast<std::size_t>(std::clamp<std::uint64_t>(
                              unitsPerPass, 1, PatternBatch::UnitsPerMegabyte(unit)));
    PatternBatch batch(unit, unitsPerBatch);
    if (job.bypassCache && aligned) file.BypassCache();
    // What the first pass wrote; after it, all of every part.
    std::uint64_t firstPassWritten = 0;
    WipeTally unused;
    WipeTally& counted = tally ? *tally : unused;
    int passesRun = 0;
    const auto failed = [&](int pass) {
        if (job.giveBackOnFailure) {
            GiveBack(file, parts, pass == 0 ? firstPassWritten : TotalLength(parts), unit);
        }
        return OverwriteResult::WriteFailed;
    };

    for (int pass = 0; pass < job.passCount(); ++pass) {
        if (job.onPassStart) job.onPassStart(pass);
        if (job.preparePass) job.preparePass(pass, batch.block());
        batch.Repeat();
        bool volumeFull = false;
        std::uint64_t index = 0;  // units of this pass so far, over all parts
        for (const auto& part : parts) {
            if (file.Seek(static_cast<std::int64_t>(part.offset), platform::SeekFrom::Start) < 0 &&
                !job.volumeMayFill) {
                return failed(pass);
            }
            const std::uint64_t partUnits = UnitsIn(part.length, unit);
            for (std::uint64_t done = 0; done < partUnits;) {
                const std::uint64_t units = std::min<std::uint64_t>(unitsPerBatch, partUnits - done);
                // The last unit of a part may be partial (an exact-length wipe).
                const std::uint64_t bytes = std::min<std::uint64_t>(units * unit, part.length - done * unit);
                if (job.prepareUnit) job.prepareUnit(pass, std::span(batch.data(), static_cast<std::size_t>(bytes)));
                if (!volumeFull) {
                    const std::int64_t written = file.Write(batch.data(), static_cast<std::size_t>(bytes));
                    if (written > 0) counted.bytesOverwritten += static_cast<std::uint64_t>(written);
                    if (pass == 0 && written > 0) firstPassWritten += static_cast<std::uint64_t>(written);
                    if (written != static_cast<std::int64_t>(bytes)) {
                        if (!job.volumeMayFill) return failed(pass);
                        volumeFull = true;  // the rest of this pass fails quietly and still counts
                    }
                }
                for (std::uint64_t u = 0; u < units; ++u) {
                    if (job.afterUnit && !job.afterUnit(pass, index + u)) return OverwriteResult::Stopped;
                }
                index += units;
                done += units;
            }
        }
        if (job.flushEachPass) file.Flush();
        ++passesRun;
    }
    if (job.verify && passesRun > 0 && !job.prepareUnit) {
        // The block still holds the last pass's pattern.
        const ReadBackResult check = ReadBack(file, parts, std::span<const std::uint8_t>(batch.data(), unit));
        counted.bytesVerified += check.verified;
        if (!check.asWritten) {
            ++counted.verifyFailures;
            return OverwriteResult::VerifyFailed;
        }
    }
    return OverwriteResult::Completed;
}

std::uint64_t TotalLength(const std::vector<platform::FileRange>& parts) {
    std::uint64_t total = 0;
    for (const auto& part : parts) total += part.length;
    return total;
}

}  // namespace pelorin::wipe
