#include "wipe/FreeSpaceFill.h"

#include <algorithm>

#include "wipe/PatternBatch.h"
#include "wipe/ReadBack.h"

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
    std::vector<platform::File*> files{&file};
    int passesRun = 0;

    for (int pass = 0; pass < job.passCount(); ++pass) {
        if (job.preparePass) job.preparePass(pass, batch.block());
        batch.Repeat();
        const bool claiming = pass == 0;
        std::uint64_t total = 0;     // bytes this pass wrote, in all files
        std::uint64_t reported = 0;  // clusters counted for progress in this pass
        // Progress counts whole clusters of the reported free space; what
        // the volume did not take still counts once it is full.
        const auto report = [&](bool volumeFull) {
            while (reported < clustersPerPass && (volumeFull || (reported + 1) * cluster <= total)) {
                ++reported;
                if (job.afterCluster && !job.afterCluster()) return false;
            }
            return true;
        };
        const auto stopped = [&] {
            outcome.result = FillResult::Stopped;
            return outcome;
        };
        bool notFillingUp = false;
        for (std::size_t index = 0; !notFillingUp; ++index) {
            if (index == files.size()) {
                // Another file only while the last one still took something.
                if (!claiming || !job.nextFile || outcome.perFile.empty() || outcome.perFile.back() == 0) break;
                platform::File* next = job.nextFile();
                if (next == nullptr) break;
                files.push_back(next);
            }
            platform::File& fill = *files[index];
            fill.Seek(0, platform::SeekFrom::Start);
            const std::uint64_t length = claiming ? 0 : outcome.perFile[index];
            std::uint64_t written = 0;
            // A further file takes only what the first one left.
            std::uint64_t size = index == 0 ? batchBytes : cluster;
            bool full = !claiming && length == 0;
            while (!full) {
                const std::uint64_t want = claiming ? size : std::min(size, length - written);
                const auto got = fill.Write(batch.data(), static_cast<std::size_t>(want));
                const std::uint64_t taken = got > 0 ? static_cast<std::uint64_t>(got) : 0;
                written += taken;
                total += taken;
                outcome.written += taken;
                if (got != static_cast<std::int64_t>(want)) {
                    size = claiming ? Smaller(size, cluster, sector) : 0;
                    full = size == 0;
                }
                if (!claiming && written >= length) full = true;
                if (!report(false)) return stopped();
                if (reported == clustersPerPass) {
                    if (total >= mostClaimed) full = notFillingUp = true;
                    if (job.keepGoing && !job.keepGoing()) return stopped();
                }
            }
            if (claiming) outcome.perFile.push_back(written);
            fill.Flush();
        }
        if (!report(true)) return stopped();
        if (claiming) outcome.claimed = total;
        ++passesRun;
    }
    if (job.verify && passesRun > 0) {
        // The block still holds the last pass's pattern; every file starts with it.
        const std::span<const std::uint8_t> pattern(batch.data(), static_cast<std::size_t>(cluster));
        for (std::size_t index = 0; index < outcome.perFile.size() && index < files.size(); ++index) {
            const ReadBackResult check = ReadBack(*files[index], {{0, outcome.perFile[index]}}, pattern);
            outcome.verified += check.verified;
            if (!check.asWritten) {
                outcome.result = FillResult::VerifyFailed;
                break;
            }
        }
    }
    return outcome;
}

}  // namespace pelorin::wipe
