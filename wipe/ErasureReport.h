#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "wipe/ErasureRecord.h"

// The erasure report: one JSON document that records what a wipe job did,
// written when the job ends (also when it was stopped). File names in it
// are withheld unless asked for, so that the report does not become the
// list of what was secret.
namespace pelorin::wipe {

struct ReportHeader {
    std::string version;
    // The command's words; names the caller withheld stand as kWithheldName.
    std::vector<std::string> command;
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point finished;
    int exitStatus = 0;
    bool names = false;  // names of files left are included
};

inline constexpr const char* kWithheldName = "(withheld)";
// Every report starts so; an existing file is replaced only when it does.
inline constexpr const char* kReportOpening = "{\n  \"tool\": \"pelorin\",\n";

// The document. Times are UTC in ISO 8601 ("2025-03-01T12:00:00Z").
std::string ReportJson(const ReportHeader& header, const ErasureRecord& record);
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

// Why a report could not go to `path`, worded to follow the path; empty
// when it can: the name is new, or an earlier report (a link, a folder, a
// device or pipe, and any other file are refused), and its folder takes a
// new file.
std::string WhyReportRefused(const std::string& path);

// Writes the report in one step: a new file beside it, forced to the disk,
// then given the name (an earlier report is replaced, nothing else). On a
// failure nothing is left and the reason is returned; empty when written.
std::string WriteReportFile(const std::string& path, const std::string& text);

}  // namespace pelorin::wipe
