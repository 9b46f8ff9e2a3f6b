#include "wipe_app/WipeRun.h"

#include "platform/Settings.h"
#include "platform/Volume.h"
#include "wipe/sdk/PeloSDK.h"
#include "wipe_app/BarPosition.h"
#include "wipe_app/DriveWalks.h"
#include "wipe_app/WipeSettings.h"
#include "wipe_app/WipeTexts.h"

namespace pelorin::wipe_app {
namespace {

// The library calls back through plain functions: they find the drive in
// hand here. One run at a time uses the library (its state is process-wide).
struct DriveInHand {
    RunState* state = nullptr;
    WipeView* view = nullptr;
    std::string root;
    int start = 0;  // the bar's part for the phase that reports progress
    int span = 0;
};
DriveInHand inHand;

int ContinueCheck(int) { return inHand.state->cancel ? 0 : 1; }

int ReportOverwrite(const char* report, int) {
    if (report != nullptr) inHand.view->Note(inHand.root + ": " + report);
    return 0;
}

int ScaleProgress(long long done, long long total, const char* fileName, int) {
    inHand.view->Report(Scaled(inHand.start, inHand.span, done, total),
                        fileName != nullptr ? std::optional<std::string>(fileName) : std::nullopt);
    return 1;
}

// The passes over the disk: the run's own, else "NumDisk" as it is now.
int DiskPasses(const WipeRun& run) {
    const platform::SettingsStore global(kGlobalKey);
    return run.diskPasses.value_or(static_cast<int>(ReadSetting(global, kNumDisk)));
}

// Brackets one drive's use of the library; KillPelorinSDK on every way out.
class LibraryForDrive {
public:
    LibraryForDrive(const WipeRun& run, const std::string& root, RunState& state, WipeView& view) {
        const platform::SettingsStore global(kGlobalKey);
        disk_ = DiskPasses(run);
        memory_ = run.memoryPasses.value_or(static_cast<int>(ReadSetting(global, kNumMem)));
        inHand = {&state, &view, root, 0, 0};
        InitPelorinSDK();
        SetContinueCallback(ContinueCheck, 0);
        SetOverwriteCallback(ReportOverwrite, 0);
    }
    ~LibraryForDrive() { KillPelorinSDK(); }
    LibraryForDrive(const LibraryForDrive&) = delete;
    LibraryForDrive& operator=(const LibraryForDrive&) = delete;

    // The progress callback scales into [start, start + span]; none when span is 0.
    void Scale(int start, int span) {
        inHand.start = start;
        inHand.span = span;
        SetProgressCallback(span > 0 ? ScaleProgress : nullptr, 0);
    }
    void SetPasses() {
        SetMemPasses(memory_);
        SetDiskPasses(disk_);
    }
    int diskPasses() const { return disk_; }

private:
    int disk_ = 3;
    int memory_ = 10;
};

class DriveProcedures {
public:
    DriveProcedures(const WipeRun& run, RunState& state, WipeView& view, Ui& ui)
        : run_(run), state_(state), view_(view), ui_(ui) {}

    void Run(const std::string& root) {
        // No pass would overwrite nothing and still report the drive wiped
        // (and Complete would delete everything unwiped).
        if (DiskPasses(run_) <= 0) {
            ui_.ShowMessage(kNoDiskPassesText, std::nullopt, MessageIcon::Exclamation);
            status_ = 1;
            return;
        }
        switch (run_.type) {
            case WipeType::Standard: Standard(root); break;
            case WipeType::Thorough: Thorough(root); break;
            case WipeType::Complete: Complete(root); break;
        }
    }

    int status() const { return state_.cancel ? 13 : status_; }

private:
    // A library result: 0 done, 13 stopped (shown as nothing), else shown;
    // a fill file that could not be made has the volume's reason with it.
    bool Succeeded(int code, const std::string& root = "") {
        if (code == SdkErrorNone) return true;
        if (code != SdkErrorAborted) {
            std::string text = GetErrorText(code);
            if (const std::string why = code == SdkErrorOpenFile && !root.empty() ? platform::WhyNoNewFileIn(root) : "";
                !why.empty()) {
                text += " (" + why + ")";
            }
            ui_.ShowMessage(LibraryErrorText(text), std::nullopt, MessageIcon::Exclamation);
            status_ = code;
        }
        return false;
    }

    void WalkFailed(const char* text) {
        ui_.ShowMessage(text, std::nullopt, MessageIcon::Exclamation);
        status_ = 1;
    }

    void Standard(const std::string& root) {
        LibraryForDrive library(run_, root, state_, view_);
        view_.Report(0, FreeSpaceStatus(root));
        library.Scale(0, kBarFull);
        library.SetPasses();
        Succeeded(WipeFreeSpace(root.c_str()), root);
    }

    void Thorough(const std::string& root) {
        LibraryForDrive library(run_, root, state_, view_);
        view_.Report(0, FreeSpaceStatus(root));
        library.Scale(0, kThoroughFreeSpaceSpan);
        library.SetPasses();
        if (!Succeeded(WipeFreeSpace(root.c_str()), root)) return;
        library.Scale(0, 0);
        view_.Report(kThoroughFreeSpaceSpan, std::string(kCountingStatus));
        const DriveWalk walk{root, state_, view_};
        state_.fileCount = CountFiles(walk);
        if (state_.cancel) return;
        state_.fileIndex = 0;
        if (!SlackWalk(walk, [](const std::string& file) { return WipeFileSlack(file.c_str()); })) {
            WalkFailed(kSlackFailedText);
        }
    }

    void Complete(const std::string& root) {
        // Deleting a running system's files cannot finish and leaves it
        // unable to start: refused before anything is deleted.
        if (platform::HoldsRunningSystem(root)) {
            ui_.ShowMessage(SystemDriveText(root), std::nullopt, MessageIcon::Exclamation);
            status_ = 1;
            return;
        }
        LibraryForDrive library(run_, root, state_, view_);
        library.Scale(0, 0);
        library.SetPasses();
        view_.Report(0, std::string(kCountingStatus));
        const DriveWalk walk{root, state_, view_, library.diskPasses()};
        state_.fileCount = CountFiles(walk);
        if (state_.cancel) return;
        state_.fileIndex = 0;
        // What the walk deleted is in the free space now, so the free space
        // is wiped also when something stayed.
        if (!DeleteWalk(walk)) WalkFailed(kDeleteFailedText);
        view_.Report(kCompleteDeleteSpan, std::string(kWipingDriveStatus));
        library.Scale(kCompleteDeleteSpan, kBarFull - kCompleteDeleteSpan);
        Succeeded(WipeFreeSpace(root.c_str()), root);
    }

    const WipeRun& run_;
    RunState& state_;
    WipeView& view_;
    Ui& ui_;
    int status_ = 0;
};

}  // namespace

int RunWipe(const WipeRun& run, RunState& state, WipeView& view, Ui& ui) {
    view.Report(0, std::string(kInitializingStatus));
    DriveProcedures procedures(run, state, view, ui);
    for (const auto& root : run.roots) procedures.Run(root);
    view.Report(kBarFull, std::string(kFinishedStatus));
    view.Finished();
    return procedures.status();
}

}  // namespace pelorin::wipe_app
