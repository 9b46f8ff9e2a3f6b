#include "wipe/ErasureRecord.h"

#include <algorithm>

namespace pelorin::wipe {

ErasureJob& ErasureRecord::Job(const std::string& kind, const std::string& path, int passes, PatternCycle cycle,
                               bool verify, std::optional<std::uint64_t> volume) {
    const VolumeVerdict& verdict = verdicts.Of(path, volume);
    const std::string& where = verdict.path;
    const auto found = std::find_if(jobs.begin(), jobs.end(), [&](const ErasureJob& job) {
        return job.kind == kind && job.volume == where;
    });
    if (found != jobs.end()) return *found;
    ErasureJob job;
    job.kind = kind;
    job.volume = where;
    job.volumeKnown = verdict.known;
    job.passes = passes;
    job.cycle = cycle;
    job.verify = verify;
    jobs.push_back(std::move(job));
    return jobs.back();
}

void ErasureRecord::Left(const std::string& path, const std::string& reason) {
    const VolumeVerdict& verdict = verdicts.Of(path);
    const std::string& where = verdict.path;
    for (auto job = jobs.rbegin(); job != jobs.rend(); ++job) {
        if (job->volume == where) {
            job->left.push_back({path, reason});
            return;
        }
    }
    ErasureJob job;
    job.kind = kFilesJob;
    job.volume = where;
    job.volumeKnown = verdict.known;
    job.left.push_back({path, reason});
    jobs.push_back(std::move(job));
}

std::vector<std::string> PatternNames(PatternCycle cycle, int passes) {
    static const char* const kNames[] = {"0x00", "0xFF", "random", "complement"};
    const int length = cycle == PatternCycle::FourWay ? 4 : 3;
    std::vector<std::string> names;
    for (int pass = 0; pass < passes && pass < length; ++pass) names.emplace_back(kNames[pass]);
    return names;
}

void ErasureRecord::NotReached(const std::string& path, const std::string& note, VolumeVerdict& verdict) {
    notReached.push_back({path, note});
    ++verdict.filesNotReached;
}

std::string VerdictMessage(const ErasureRecord& record) {
    std::string text = std::string(kVerdictHeading) + "\n\n";
    for (const auto& verdict : record.verdicts.All()) text += verdict.path + ": " + verdict.Sentence() + ".\n";
    for (std::size_t i = 0; i < record.notReached.size() && i < kNotReachedNamesShown; ++i) {
        text += (i == 0 ? "\n" : "") + record.notReached[i].name + " " + record.notReached[i].reason + ".\n";
    }
    if (record.notReached.size() > kNotReachedNamesShown) {
        text += "... and " + std::to_string(record.notReached.size() - kNotReachedNamesShown) + " more such files.\n";
    }
    return text;
}

}  // namespace pelorin::wipe
