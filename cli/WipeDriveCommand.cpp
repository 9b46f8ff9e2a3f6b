#include "cli/WipeDriveCommand.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>
#include <tuple>

#include "cli/Arguments.h"
#include "cli/CommandHelp.h"
#include "cli/JobReport.h"
#include "cli/Stop.h"
#include "cli/TerminalUi.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/Terminal.h"
#include "platform/Volume.h"
#include "wipe_app/BarPosition.h"
#include "wipe_app/WipeRun.h"
#include "wipe_app/WipeSettings.h"
#include "wipe_app/WipeTexts.h"

namespace pelorin::cli {
namespace {

constexpr const char* kUsage = UsageOf("wipe-drive");

std::optional<int> Count(const ParsedArguments& parsed, const std::string& option, int most) {
    const auto text = parsed.Value(option);
    if (!text) return std::nullopt;
    int value = -1;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || error != std::errc() || end != text->data() + text->size() || value < 1 || value > most) {
        return -1;
    }
    return value;
}

// The status line and bar on standard error; files left as they were are
// named and counted.
class TerminalWipeView final : public wipe_app::WipeView {
public:
    void Report(int position, const std::optional<std::string>& status) override {
        if (status) status_ = *status;
        if (!terminal_) return;
        const int percent = position * 100 / wipe_app::kBarFull;
        DrawBar(percent, status_);
    }
    void Finished() override {
        if (terminal_) std::fputs("\r\033[K", stderr);
        finished = true;
    }
    void NotProcessed(const std::string& path, const std::string& why) override {
        if (terminal_) std::fputs("\r\033[K", stderr);
        std::cerr << "pelorin: left as it was: " << EscapedForTerminal(path) << " (" << why << ")\n";
        ++leftAlone;
        if (record != nullptr) record->Left(path, why);
    }

    void Note(const std::string& text) override {
        if (terminal_) std::fputs("\r\033[K", stderr);
        std::cerr << "pelorin: " << EscapedForTerminal(text) << "\n";
    }

    std::atomic<bool> finished{false};
    int leftAlone = 0;
    wipe::ErasureRecord* record = nullptr;  // the run's, on the worker's thread

private:
    bool terminal_ = platform::StandardErrorIsTerminal();
    std::string status_;
};

}  // namespace

int RunWipeDrive(const std::vector<std::string>& arguments) {
    const auto parsed = ParseArguments(
        arguments, WithReportOptions({{"--yes"}, {"--mode", "--passes", "--memory-passes"}, {}}), kUsage);
    if (!parsed) return kUsageError;
    auto report = JobReport::Read("wipe-drive", *parsed);
    if (!report) return kUsageError;
    wipe_app::WipeRun run;
    const auto mode = parsed->Value("--mode");
    if (mode == "standard") {
        run.type = wipe_app::WipeType::Standard;
    } else if (mode == "thorough") {
        run.type = wipe_app::WipeType::Thorough;
    } else if (mode == "complete") {
        run.type = wipe_app::WipeType::Complete;
    } else {
        std::cerr << "pelorin: --mode is standard, thorough or complete\n" << kUsage;
        return kUsageError;
    }
    run.diskPasses = Count(*parsed, "--passes", 1000000);
    run.memoryPasses = Count(*parsed, "--memory-passes", 1000000);
    if (run.diskPasses == -1 || run.memoryPasses == -1) {
        std::cerr << "pelorin: a pass count is a whole number from 1 to 1000000\n";
        return kUsageError;
    }
    if (parsed->names.empty()) {
        std::cerr << kUsage;
        return kUsageError;
    }
    // The program's own message points to its Options dialog; the tool's
    // user sets the passes here. A pass count the file holds out of its
    // range is no count to wipe a drive by: named, and nothing is run.
    const platform::SettingsStore global(wipe_app::kGlobalKey);
    for (const auto& [given, setting, option] :
         {std::tuple{run.diskPasses, wipe_app::kNumDisk, "--passes"},
          std::tuple{run.memoryPasses, wipe_app::kNumMem, "--memory-passes"}}) {
        if (given || ReadCheckedSetting(global, setting)) continue;
        std::cerr << "pelorin: " << OutOfRangeSettingText(global, setting, global.ReadText(setting.name).value_or(""))
                  << "; give " << option << " N or set `pelorin settings wipe " << setting.name << " N`\n";
        return kUsageError;
    }
    if (!run.diskPasses && ReadCheckedSetting(global, wipe_app::kNumDisk) == 0) {
        std::cerr << "pelorin: the setting NumDisk is 0, so no pass would overwrite anything; give --passes N or set "
                     "`pelorin settings wipe NumDisk N` (1 or more)\n";
        return kUsageError;
    }
    for (const auto& name : parsed->names) {
        const std::string volume = AbsoluteName(name);
        // A whole volume, never a folder inside one: complete deletes all of it.
        if (platform::IsLink(volume) || !platform::IsVolumeRoot(volume)) {
            std::cerr << "pelorin: " << EscapedForTerminal(volume) << " is not the folder a volume is mounted on\n";
            return kUsageError;
        }
        run.roots.push_back(volume.back() == platform::kHostSeparator ? volume : volume + platform::kHostSeparator);
    }
    // Complete deletes every file of its volumes: the report goes elsewhere.
    if (run.type == wipe_app::WipeType::Complete && !report->RefuseOnVolumes(run.roots)) return kUsageError;
    if (report->verify()) run.verify = true;  // otherwise as the setting says
    run.record = &report->record;
    run.verdictMessage = false;
    TerminalUi ui;
    if (run.type == wipe_app::WipeType::Complete && !parsed->Has("--yes")) {
        if (!TerminalCanAsk()) {
            std::cerr << "pelorin: complete deletes everything on the volume; without a terminal to ask, give --yes\n";
            return kUsageError;
        }
        for (const auto& root : run.roots) {
            std::cerr << "pelorin: everything on this volume is deleted: " << EscapedForTerminal(root) << "\n";
        }
        if (!ui.AskYesNo(wipe_app::kCompleteQuestion, std::nullopt, MessageIcon::Exclamation)) {
            return report->Finish(kStopped);
        }
    }

    // The run goes on a worker, as in the dialog program; this thread turns
    // a stop (Ctrl-C or a signal that ends programs) into the cancel flag.
    const StopSignals signals;
    wipe_app::RunState state;
    TerminalWipeView view;
    view.record = &report->record;
    int status = 0;
    std::thread worker([&] { status = wipe_app::RunWipe(run, state, view, ui); });
    while (!view.finished) {
        if (StopRequested()) state.cancel = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    worker.join();
    if (view.leftAlone > 0) std::cerr << "pelorin: " << view.leftAlone << " files or folders were left as they were\n";
    if (state.cancel) ReportStop("");
    // Whatever stayed makes the run unfinished, as a failed walk does.
    if (status == 0 && view.leftAlone > 0) status = 1;
    return report->Finish(status);
}

}  // namespace pelorin::cli
