#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "wipe/ErasureRecord.h"

namespace pelorin::cli {

// The options every wipe command shares: --verify, --report FILE and
// --report-names.
inline constexpr const char* kVerifyOption = "--verify";
inline constexpr const char* kReportOption = "--report";
inline constexpr const char* kReportNamesOption = "--report-names";
// The report could not be written at the end of the job.
inline constexpr int kReportNotWritten = 16;

// Adds the shared options to what a command accepts.
CommandOptions WithReportOptions(CommandOptions options);

// What a wipe command keeps beyond its own work: the verdict of every
// volume it reached, told on standard error at the end, and the erasure
// report when one was asked for.
class JobReport {
public:
    // Reads the shared options of `command`. A report path that cannot be
    // written is refused before anything is done (said; nothing returned).
    static std::optional<JobReport> Read(const std::string& command, const ParsedArguments& parsed);

    bool verify() const { return verify_; }
    // Refuses (says so; false) a report that would go to one of `paths`, or
    // with `inside` to anything in one of them: what the job wipes.
    bool RefuseAmong(const std::vector<std::string>& paths, bool inside);
    // Refuses a report on one of the volumes whose every file the job deletes.
    bool RefuseOnVolumes(const std::vector<std::string>& roots);

    // Names the files an overwrite did not reach, prints each volume's
    // verdict and writes the report (when asked for);
    // returns the exit status: `status`, or kReportNotWritten when the job
    // succeeded but its report could not be written.
    int Finish(int status);

    wipe::ErasureRecord record;

private:
    bool Refuse(const std::string& why);

    std::vector<std::string> words_;  // the command as given, names withheld unless asked for
    std::string path_;                // where the report goes; empty for none
    bool names_ = false;
    bool verify_ = false;
    std::chrono::system_clock::time_point started_ = std::chrono::system_clock::now();
};

}  // namespace pelorin::cli
