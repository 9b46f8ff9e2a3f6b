#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "wipe/Patterns.h"
#include "wipe/VolumeVerdict.h"
#include "wipe/WipeTally.h"

namespace pelorin::wipe {

// The kinds of work a wipe job does on a volume, as the report names them.
inline constexpr const char* kFilesJob = "files";           // files overwritten, then deleted
inline constexpr const char* kFreeSpaceJob = "free-space";  // the free space filled and overwritten
inline constexpr const char* kSlackJob = "slack";           // the slack behind files' ends overwritten

// A file a job left where it was, and why (worded to follow its name).
struct LeftFile {
    std::string name;
    std::string reason;
};

// One kind of work on one volume.
struct ErasureJob {
    std::string kind;
    std::string volume;  // the volume's verdict path
    bool volumeKnown = true;  // false: the path is only the name that was asked about
    int passes = 0;
    PatternCycle cycle = PatternCycle::FourWay;
    bool verify = false;
    WipeTally tally;
    std::vector<LeftFile> left;
};

// What a whole run did, volume by volume: the verdicts and the jobs, for the
// closing messages and the erasure report.
class ErasureRecord {
public:
    explicit ErasureRecord(VolumeProbe& probe = SystemVolumeProbe()) : verdicts(probe) {}

    // The job of this kind on the volume that holds `path` (made the first
    // time); `volume` as VolumeVerdicts::Of takes it.
    ErasureJob& Job(const std::string& kind, const std::string& path, int passes, PatternCycle cycle, bool verify,
                    std::optional<std::uint64_t> volume = std::nullopt);
    // A file left where it was: it goes to the last job on its volume (a
    // job of files when there is none yet).
    void Left(const std::string& path, const std::string& reason);
    // A file whose old clusters its overwrite does not reach (`note` as
    // StorageNote words it): listed, and counted in its volume's verdict.
    void NotReached(const std::string& path, const std::string& note, VolumeVerdict& verdict);

    VolumeVerdicts verdicts;
    std::deque<ErasureJob> jobs;  // a job's place stays put as others are added
    std::vector<LeftFile> notReached;
};

// The patterns of the first passes of a cycle, as the report names them
// ("0x00", "0xFF", "random", "complement"); after them they repeat.
std::vector<std::string> PatternNames(PatternCycle cycle, int passes);

// The message the programs show at the end of a run, after their own: the
// verdict of each drive, one a line after its path, then the files an
// overwrite did not reach (a screenful of them).
inline constexpr const char* kVerdictHeading = "What overwriting reached on each drive:";
inline constexpr std::size_t kNotReachedNamesShown = 20;
std::string VerdictMessage(const ErasureRecord& record);

}  // namespace pelorin::wipe
