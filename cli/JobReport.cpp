#include "cli/JobReport.h"

#include <iostream>

#include "cli/Stop.h"
#include "platform/FileStatus.h"
#include "platform/Paths.h"
#include "platform/Terminal.h"
#include "wipe/ErasureReport.h"

#ifndef PELORIN_VERSION
#error "the build passes PELORIN_VERSION, the project's version"
#endif

namespace pelorin::cli {
namespace {

std::string WithSeparator(const std::string& path) {
    return !path.empty() && path.back() == platform::kHostSeparator ? path : path + platform::kHostSeparator;
}

}  // namespace

CommandOptions WithReportOptions(CommandOptions options) {
    options.flags.insert(kVerifyOption);
    options.flags.insert(kReportNamesOption);
    options.valued.insert(kReportOption);
    return options;
}

std::optional<JobReport> JobReport::Read(const std::string& command, const ParsedArguments& parsed) {
    JobReport report;
    report.verify_ = parsed.Has(kVerifyOption);
    report.names_ = parsed.Has(kReportNamesOption);
    if (const auto path = parsed.Value(kReportOption)) {
        if (path->empty()) {
            std::cerr << "pelorin: " << kReportOption << " needs the name of the report's file\n";
            return std::nullopt;
        }
        report.path_ = AbsoluteName(*path);
        if (const std::string why = wipe::WhyReportRefused(report.path_); !why.empty()) {
            report.Refuse(why);
            return std::nullopt;
        }
    } else if (report.names_) {
        std::cerr << "pelorin: " << kReportNamesOption << " goes with " << kReportOption << " FILE\n";
        return std::nullopt;
    }
    // The command's words: its options as read, then the names.
    report.words_.push_back(command);
    for (const auto& flag : parsed.flags) report.words_.push_back(flag);
    for (const auto& [option, values] : parsed.values) {
        for (const auto& value : values) {
            report.words_.push_back(option);
            report.words_.push_back(option == kReportOption ? report.path_ : value);
        }
    }
    if (!parsed.names.empty()) report.words_.push_back("--");
    for (const auto& name : parsed.names) report.words_.push_back(report.names_ ? name : wipe::kWithheldName);
    return report;
}

bool JobReport::Refuse(const std::string& why) {
    std::cerr << "pelorin: the report " << EscapedForTerminal(path_) << " " << why << "\n";
    return false;
}

bool JobReport::RefuseAmong(const std::vector<std::string>& paths, bool inside) {
    if (path_.empty()) return true;
    for (const auto& path : paths) {
        if (path_ == path || (inside && path_.rfind(WithSeparator(path), 0) == 0)) {
            return Refuse(inside ? "would be among what this job deletes" : "is one of the files this job wipes");
        }
    }
    return true;
}

bool JobReport::RefuseOnVolumes(const std::vector<std::string>& roots) {
    if (path_.empty()) return true;
    const std::size_t cut = path_.find_last_of(platform::kHostSeparator);
    const auto folder = platform::StatusOf(path_.substr(0, cut + 1));
    for (const auto& root : roots) {
        const auto volume = platform::StatusOf(root);
        if (folder && volume && folder->identity.volume == volume->identity.volume) {
            return Refuse("would be on a volume this job deletes everything from");
        }
    }
    return true;
}

int JobReport::Finish(int status) {
    if (platform::StandardErrorIsTerminal()) std::fputs("\r\033[K", stderr);
    for (const auto& file : record.notReached) {
        std::cerr << "pelorin: " << EscapedForTerminal(file.name) << ": " << file.reason << "\n";
    }
    for (const auto& verdict : record.verdicts.All()) {
        std::cerr << "pelorin: " << EscapedForTerminal(verdict.path) << ": " << EscapedForTerminal(verdict.Sentence())
                  << ".\n";
    }
    if (path_.empty()) return status;
    wipe::ReportHeader header;
    header.version = PELORIN_VERSION;
    header.command = words_;
    header.started = started_;
    header.finished = std::chrono::system_clock::now();
    header.exitStatus = status;
    header.names = names_;
    if (const std::string why = wipe::WriteReportFile(path_, wipe::ReportJson(header, record)); !why.empty()) {
        Refuse(why);
        return status == 0 ? kReportNotWritten : status;
    }
    return status;
}

}  // namespace pelorin::cli
