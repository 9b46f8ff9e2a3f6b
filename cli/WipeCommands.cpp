#include "cli/WipeCommands.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/Arguments.h"
#include "cli/CommandHelp.h"
#include "cli/JobReport.h"
#include "cli/Stop.h"
#include "cli/TerminalUi.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/Terminal.h"
#include "platform/Volume.h"
#include "wipe/VolumeVerdict.h"
#include "wipe/WipeTarget.h"
#include "wipe/sdk/PeloSDK.h"
#include "wipe_app/LibraryTotals.h"

namespace pelorin::cli {
namespace {

constexpr int kMostPasses = 1000000;

// A stop (Ctrl-C or a signal that ends programs) does not kill the process
// mid-write: the library's continue callback says stop, and the operation
// cleans up (a stopped free-space wipe leaves no fill file).
int KeepGoing(int) { return StopRequested() ? 0 : 1; }

// What the library last reported of the operation in hand: how much of it
// was written, so that a failure can say whether a file was overwritten.
struct Written {
    long long done = 0;
    long long total = 0;
};
Written written;
// The files are opened for reading too when their last pass is read back.
bool verifying = false;

int TrackProgress(long long done, long long total, const char* name, int) {
    written = {done, total};
    if (!platform::StandardErrorIsTerminal()) return 0;
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    DrawBar(percent, name ? name : "free space");
    return 0;
}

// What a free-space wipe overwrote beyond the free clusters, on its own line.
int PrintReport(const char* report, int) {
    if (platform::StandardErrorIsTerminal()) std::fputs("\r\033[K", stderr);
    std::cerr << "pelorin: " << report << "\n";
    return 0;
}

struct Options {
    std::optional<int> passes;
    std::vector<std::string> names;
    std::optional<JobReport> report;
};

std::optional<Options> Parse(const std::vector<std::string>& arguments, const char* command, const char* usage) {
    const auto parsed = ParseArguments(arguments, WithReportOptions({{}, {"--passes"}, {}}), usage);
    if (!parsed) return std::nullopt;
    Options options;
    options.report = JobReport::Read(command, *parsed);
    if (!options.report) return std::nullopt;
    if (const auto value = parsed->Value("--passes")) {
        int n = -1;
        const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), n);
        // No pass at all would delete without overwriting: at least one.
        if (value->empty() || error != std::errc() || end != value->data() + value->size() || n < 1 ||
            n > kMostPasses) {
            std::cerr << "pelorin: --passes needs a whole number from 1 to " << kMostPasses << ", not \"" << *value
                      << "\"\n";
            return std::nullopt;
        }
        options.passes = n;
    }
    if (parsed->names.empty()) {
        std::cerr << usage;
        return std::nullopt;
    }
    for (const auto& name : parsed->names) options.names.push_back(AbsoluteName(name));
    return options;
}

// Why the library could not take a file: what the wipe routines refuse, or
// what the system says when the file is opened here the same way.
std::string WhyNotOpened(const std::string& name, bool deleting) {
    const auto refusal = wipe::CheckWipeTarget(name, deleting);
    if (refusal != wipe::WipeRefusal::None) return wipe::WipeRefusalText(refusal);
    if (platform::IsFolder(name)) return "it is a folder";
    platform::OpenOptions probe;
    probe.read = verifying;
    probe.write = true;
    probe.noFollow = true;
    platform::File file = platform::File::Open(name, probe);
    if (!file.IsOpen()) return platform::LastFailureText();
    if (file.KeepOthersOut() == platform::File::Alone::OthersHaveItOpen) {
        return "another program has it open; it is left as it is";
    }
    return "";
}

// Brackets one command's library use as the drive wipe program does.
class LibrarySession {
public:
    explicit LibrarySession(const Options& options) {
        InitPelorinSDK();
        SetContinueCallback(KeepGoing, 0);
        SetProgressCallback(TrackProgress, 0);
        SetOverwriteCallback(PrintReport, 0);
        if (options.passes) SetDiskPasses(*options.passes);
        SetVerify(options.report->verify() ? 1 : 0);
        verifying = options.report->verify();
    }
    ~LibrarySession() { KillPelorinSDK(); }
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;

    // Reports a result on standard error; returns what it said after the
    // name (empty for success). A refused file is named with the reason the
    // library's code cannot carry.
    static std::string Report(int code, const std::string& name, bool deleting) {
        if (platform::StandardErrorIsTerminal()) std::fputs("\r\033[K", stderr);
        if (code == SdkErrorNone) return "";
        std::string why = GetErrorText(code);
        if (code == SdkErrorDeleteFailed && deleting && written.done > 0) {
            // The library wrote: whether all of it, the progress tells.
            why += written.done == written.total ? " (it was overwritten, but its name could not be removed)"
                                                 : " (it was overwritten only in part, so it was kept)";
        } else if (code == SdkErrorOpenFile || code == SdkErrorDeleteFailed) {
            if (const std::string reason = WhyNotOpened(name, deleting); !reason.empty()) {
                why += " (" + reason + ")";
            } else if (code == SdkErrorDeleteFailed && deleting) {
                why += " (it was not overwritten completely, so it was kept)";
            }
        }
        std::cerr << "pelorin: " << (code == SdkErrorAborted ? "stopped: " : "") << EscapedForTerminal(name) << ": "
                  << why << "\n";
        return why;
    }

private:
    StopSignals signals_;
};

// A file whose old clusters no overwrite reaches (Windows: compressed,
// encrypted or sparse) is noted, to be named at the end.
void NoteStorage(const std::string& name, const platform::FileStatus& status, JobReport& report,
                 std::optional<std::uint64_t> volume) {
    if (status.kind != platform::FileKind::Regular) return;
    if (const std::string note = wipe::StorageNote(status); !note.empty()) {
        report.record.NotReached(name, note, report.record.verdicts.Of(name, volume));
    }
}

int RunOverFiles(const std::vector<std::string>& arguments, const char* command, int (*operation)(const char*),
                 bool deleting) {
    auto options = Parse(arguments, command, UsageOf(command));
    if (!options) return kUsageError;
    JobReport& report = *options->report;
    if (!report.RefuseAmong(options->names, false)) return kUsageError;
    LibrarySession session(*options);
    int status = 0;
    for (const auto& name : options->names) {
        if (StopRequested()) {
            ReportStop("");
            status = SdkErrorAborted;
            break;
        }
        written = {};
        const auto found = platform::StatusOf(name);
        const std::optional<std::uint64_t> volume = found ? std::optional(found->identity.volume) : std::nullopt;
        wipe::ErasureJob& job = report.record.Job(deleting ? wipe::kFilesJob : wipe::kSlackJob, name, GetDiskPasses(),
                                                  wipe::PatternCycle::FourWay, report.verify(), volume);
        if (found && deleting) NoteStorage(name, *found, report, volume);
        const wipe::WipeTally before = wipe_app::LibraryTotals();
        const int code = operation(name.c_str());
        job.tally += wipe_app::LibraryTallySince(before);
        const std::string why = LibrarySession::Report(code, name, deleting);
        if (code != SdkErrorNone) {
            status = code;
            job.left.push_back({name, why});
        }
    }
    return report.Finish(status);
}

}  // namespace

int RunWipeFile(const std::vector<std::string>& arguments) {
    return RunOverFiles(arguments, "wipe-file", WipeFile, true);
}

int RunWipeSlack(const std::vector<std::string>& arguments) {
    return RunOverFiles(arguments, "wipe-slack", WipeFileSlack, false);
}

int RunWipeFree(const std::vector<std::string>& arguments) {
    constexpr const char* usage = UsageOf("wipe-free");
    auto options = Parse(arguments, "wipe-free", usage);
    if (!options) return kUsageError;
    JobReport& report = *options->report;
    if (options->names.size() != 1) {
        std::cerr << usage;
        return kUsageError;
    }
    // The library wants a drive root: "x:\" on Windows, an absolute folder
    // path ending with '/' on Linux.
    std::string root = options->names[0];
    // A link to a folder would lead the fill onto another volume.
    if (platform::IsLink(root)) {
        std::cerr << "pelorin: " << EscapedForTerminal(root) << " is a link, which is never followed\n";
        return report.Finish(SdkErrorOpenFile);
    }
    if (!platform::IsFolder(root)) {
        std::cerr << "pelorin: " << EscapedForTerminal(root) << " is not a folder\n";
        return report.Finish(SdkErrorBadDrive);
    }
    if (root.back() != platform::kHostSeparator) root += platform::kHostSeparator;
    LibrarySession session(*options);
    wipe::ErasureJob& job = report.record.Job(wipe::kFreeSpaceJob, root, GetDiskPasses(), wipe::PatternCycle::FourWay,
                                              report.verify());
    const wipe::WipeTally before = wipe_app::LibraryTotals();
    const int code = WipeFreeSpace(root.c_str());
    job.tally += wipe_app::LibraryTallySince(before);
    // Once the fill is gone, the free space is trimmed where the disk takes it
    // (also after a read-back that differed: the fill is gone all the same).
    if (code == SdkErrorNone || code == SdkErrorVerifyFailed) {
        report.record.verdicts.TrimAfterFreeSpaceWipe(root);
    } else {
        report.record.verdicts.FreeSpaceWipeUnfinished(
            root, code == SdkErrorAborted ? "the wipe was stopped, so nothing was trimmed"
                                          : "the wipe did not finish, so nothing was trimmed");
    }
    if (code != SdkErrorOpenFile) {
        LibrarySession::Report(code, options->names[0], false);
        return report.Finish(code);
    }
    // No fill file could be made: the volume says why, not the folder.
    const std::string why = platform::WhyNoNewFileIn(root);
    std::cerr << "pelorin: " << EscapedForTerminal(options->names[0]) << ": " << GetErrorText(code)
              << (why.empty() ? "" : " (" + why + ")") << "\n";
    return report.Finish(code);
}

}  // namespace pelorin::cli
