#include "wipe/ErasureReport.h"

#include <cstdio>
#include <cstring>

#include "app_common/JsonText.h"
#include "platform/File.h"
#include "platform/FileStatus.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin::wipe {
namespace {

constexpr const char* kTemporaryPrefix = ".pelorin-report";

std::string Number(std::uint64_t value) { return std::to_string(value); }

// A JSON list of strings on one line.
std::string StringList(const std::vector<std::string>& items) {
    std::string text = "[";
    for (std::size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + JsonString(items[i]);
    return text + "]";
}

std::string VolumeJson(const VolumeVerdict& verdict, bool names) {
    const platform::VolumeFacts& facts = verdict.facts;
    // A volume that could not be told is known only by the name asked about.
    const std::string path = verdict.known || names ? verdict.path : kWithheldName;
    std::string text = "    {\n";
    text += "      \"path\": " + JsonString(path) + ",\n";
    text += "      \"filesystem\": " + JsonString(facts.fileSystem.empty() ? "unknown" : facts.fileSystem) + ",\n";
    if (!facts.dataMode.empty()) text += "      \"data_mode\": " + JsonString(facts.dataMode) + ",\n";
    if (!facts.device.empty()) text += "      \"device\": " + JsonString(facts.device) + ",\n";
    text += "      \"medium\": " + JsonString(MediumName(facts.medium)) + ",\n";
    text += std::string("      \"mount_discards\": ") + (facts.mountDiscards ? "true" : "false") + ",\n";
    text += "      \"verdict\": " + JsonString(verdict.Sentence()) + ",\n";
    text += "      \"trim\": " + JsonString(TrimName(verdict.trim.result));
    if (!verdict.trim.reason.empty()) text += ",\n      \"trim_reason\": " + JsonString(verdict.trim.reason);
    if (verdict.trim.bytes > 0) text += ",\n      \"trimmed_bytes\": " + Number(verdict.trim.bytes);
    if (verdict.filesNotReached > 0) text += ",\n      \"files_not_reached\": " + Number(verdict.filesNotReached);
    return text + "\n    }";
}

std::string JobJson(const ErasureJob& job, bool names) {
    std::string text = "    {\n";
    text += "      \"kind\": " + JsonString(job.kind) + ",\n";
    text += "      \"volume\": " + JsonString(job.volumeKnown || names ? job.volume : kWithheldName) + ",\n";
    text += "      \"passes\": " + std::to_string(job.passes) + ",\n";
    text += "      \"patterns\": " + StringList(PatternNames(job.cycle, job.passes)) + ",\n";
    text += std::string("      \"verify\": ") + (job.verify ? "true" : "false") + ",\n";
    text += "      \"bytes_overwritten\": " + Number(job.tally.bytesOverwritten) + ",\n";
    text += "      \"bytes_verified\": " + Number(job.tally.bytesVerified) + ",\n";
    text += "      \"verify_failures\": " + Number(job.tally.verifyFailures) + ",\n";
    text += "      \"files_overwritten\": " + Number(job.tally.filesOverwritten) + ",\n";
    text += "      \"files_left\": [";
    for (std::size_t i = 0; i < job.left.size(); ++i) {
        text += i ? ",\n        {" : "\n        {";
        if (names) text += "\"name\": " + JsonString(job.left[i].name) + ", ";
        text += "\"reason\": " + JsonString(job.left[i].reason) + "}";
    }
    return text + (job.left.empty() ? "]\n    }" : "\n      ]\n    }");
}

std::string FolderOf(const std::string& path) {
    const std::size_t cut = path.find_last_of(platform::kHostSeparator);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Whether the file at `path` is a report this tool wrote: it starts as one.
bool IsEarlierReport(const std::string& path) {
    platform::OpenOptions options;
    options.read = true;
    options.noFollow = true;
    platform::File file = platform::File::Open(path, options);
    if (!file.IsOpen()) return false;
    const std::string opening = kReportOpening;
    std::string start(opening.size(), '\0');
    return file.Read(start.data(), start.size()) == static_cast<std::int64_t>(start.size()) && start == opening;
}

}  // namespace

std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(when);
    const auto day = floor<days>(seconds);
    const year_month_day date{day};
    const hh_mm_ss time{seconds - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

std::string ReportJson(const ReportHeader& header, const ErasureRecord& record) {
    std::string text = kReportOpening;
    text += "  \"version\": " + JsonString(header.version) + ",\n";
    text += "  \"command\": " + StringList(header.command) + ",\n";
    text += "  \"started\": " + JsonString(UtcTimestamp(header.started)) + ",\n";
    text += "  \"finished\": " + JsonString(UtcTimestamp(header.finished)) + ",\n";
    text += "  \"exit_status\": " + std::to_string(header.exitStatus) + ",\n";
    text += std::string("  \"names\": ") + (header.names ? "\"included\"" : "\"withheld\"") + ",\n";
    text += "  \"volumes\": [";
    const auto& volumes = record.verdicts.All();
    for (std::size_t i = 0; i < volumes.size(); ++i) text += (i ? ",\n" : "\n") + VolumeJson(volumes[i], header.names);
    text += volumes.empty() ? "],\n" : "\n  ],\n";
    text += "  \"jobs\": [";
    for (std::size_t i = 0; i < record.jobs.size(); ++i) {
        text += (i ? ",\n" : "\n") + JobJson(record.jobs[i], header.names);
    }
    text += record.jobs.empty() ? "]\n" : "\n  ]\n";
    return text + "}\n";
}

std::string WhyReportRefused(const std::string& path) {
    if (!platform::IsFullyQualified(path)) return "is not a full path";
    if (const auto status = platform::StatusOf(path)) {
        switch (status->kind) {
            case platform::FileKind::Link: return "is a link, which is never followed";
            case platform::FileKind::Folder: return "is a folder";
            case platform::FileKind::Other: return "is not a regular file (a device, pipe or socket)";
            case platform::FileKind::Regular:
                if (!IsEarlierReport(path)) {
                    return "exists and is no earlier report of this tool, so it is not replaced";
                }
                break;
        }
    }
    const std::string folder = FolderOf(path);
    const auto folderStatus = platform::StatusOf(folder);
    if (!folderStatus || folderStatus->kind != platform::FileKind::Folder) return "is not in an existing folder";
    if (const std::string why = platform::WhyNoNewFileIn(folder); !why.empty()) {
        return "cannot be written (" + why + ")";
    }
    return "";
}

std::string WriteReportFile(const std::string& path, const std::string& text) {
    if (const std::string why = WhyReportRefused(path); !why.empty()) return why;
    const bool replacing = platform::StatusOf(path).has_value();
    const auto temporary = platform::CreateTempFile(FolderOf(path), kTemporaryPrefix);
    if (!temporary) return "could not be written (" + platform::LastFailureText() + ")";
    const auto fail = [&](const std::string& what) {
        const std::string why = what + " (" + platform::LastFailureText() + ")";
        platform::DeleteFileNamed(*temporary);
        return why;
    };
    platform::OpenOptions options;
    options.write = true;
    options.noFollow = true;
    platform::File file = platform::File::Open(*temporary, options);
    const auto status = file.IsOpen() ? file.Status() : std::nullopt;
    // The empty file just made, not one put in its place meanwhile.
    if (!status || status->size != 0 || status->names != 1) return fail("could not be written");
    if (file.Write(text.data(), text.size()) != static_cast<std::int64_t>(text.size()) || !file.Flush()) {
        file.Close();
        return fail("could not be written");
    }
    file.Close();
    // A name that appeared meanwhile is never replaced, unless by an earlier report.
    const bool named = replacing ? IsEarlierReport(path) && platform::MoveOver(*temporary, path)
                                 : platform::RenameFile(*temporary, path);
    if (!named) return fail("could not be given its name");
    return "";
}

}  // namespace pelorin::wipe
