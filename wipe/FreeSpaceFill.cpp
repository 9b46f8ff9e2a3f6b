#include "wipe/FreeSpaceFill.h"

#include <algorithm>

#include "wipe/PatternBatch.h"

namespace pelorin::wipe {
namespace {

// The next smaller write after a refused one: one cluster, then one
// sector; zero when even that was refused. (A write the volume can take in
// part comes back short rather than refused, so halving would only add
// refusals, and on some file systems each refusal waits for the journal.)
std::uint64_t Smaller(std::uint64_t size, std::uint64_t cluster, std::uint64_t sector) {
    if (size > cluster) return cluster;
    if (size > sector) return sector;
    return 0;
}

}  // namespace

FillOutcome FillFreeSpace(platform::File& file, const FillJob& job) {
    FillOutcome outcome;
    const std::uint64_t cluster = std::max<std::uint64_t>(job.cluster, 1);
    const std::uint64_t sector = std::clamp<std::uint64_t>(job.sector, 1, cluster);
    const std::uint64_t clustersPerPass = job.freeBytes / cluster + (job.freeBytes % cluster != 0 ? 1 : 0);
    PatternBatch batch(static_cast<std::size_t>(cluster), PatternBatch::UnitsPerMegabyte(static_cast<std::size_t>(cluster)));
    const std::uint64_t batchBytes = batch.size();
    // A volume that keeps taking far more than it said was free is not
    // filling up (a compressing or deduplicating one): the fill stops there.
    const std::uint64_t mostClaimed = job.freeBytes + job.freeBytes / 8 + (std::uint64_t{64} << 20);

    for (int pass = 0; pass < job.passCount(); ++pass) {
        file.Seek(0, platform::SeekFrom::Start);
        if (job.preparePass) job.preparePass(pass, batch.block());
        batch.Repeat();
        const bool claiming = pass == 0;
        std::uint64_t written = 0;
        std::uint64_t reported = 0;  // clusters counted for progress in this pass
        std::uint64_t size = batchBytes;
        bool full = false;
        while (true) {
            if (!full) {
                std::uint64_t want = size;
                if (!claiming) want = std::min(want, outcome.claimed - written);
                const auto got = file.Write(batch.data(), static_cast<std::size_t>(want));
                written += got > 0 ? static_cast<std::uint64_t>(got) : 0;
                if (got != static_cast<std::int64_t>(want)) {
                    size = claiming ? Smaller(size, cluster, sector) : 0;
                    full = size == 0;
                }
                if (!claiming && written >= outcome.claimed) full = true;
            }
            // Progress counts whole clusters of the reported free space; what
            // the volume did not take still counts once it is full.
            while (reported < clustersPerPass && (full || (reported + 1) * cluster <= written)) {
                ++reported;
                if (job.afterCluster && !job.afterCluster()) {
                    outcome.result = FillResult::Stopped;
                    return outcome;
                }
            }
            if (full && reported == clustersPerPass) break;
            if (reported == clustersPerPass) {
                if (written >= mostClaimed) full = true;
                if (job.keepGoing && !job.keepGoing()) {
                    outcome.result = FillResult::Stopped;
                    return outcome;
                }
            }
        }
        if (claiming) outcome.claimed = written;
        file.Flush();
    }
    return outcome;
}

}  // namespace pelorin::wipe
