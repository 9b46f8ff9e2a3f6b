#include "wipe_app/WipeRun.h"

#include "platform/Settings.h"
#include "platform/Volume.h"
#include "wipe/sdk/PeloSDK.h"
#include "wipe_app/BarPosition.h"
#include "wipe_app/DriveWalks.h"
#include "wipe_app/LibraryTotals.h"
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

// Whether the last pass is read back: the run's own choice, else "verify".
bool Verify(const WipeRun& run) {
    const platform::SettingsStore program(kProgramKey);
    return run.verify.value_or(ReadSetting(program, kVerify) == 1);
}

// Adds what the library did meanwhile to a job's tally when it goes out of scope.
class LibraryTally {
public:
    explicit LibraryTally(wipe::ErasureJob& job) : job_(job), before_(LibraryTotals()) {}
    ~LibraryTally() {
        job_.tally += LibraryTallySince(before_);
    }
    LibraryTally(const LibraryTally&) = delete;
    LibraryTally& operator=(const LibraryTally&) = delete;

private:
    wipe::ErasureJob& job_;
    wipe::WipeTally before_;
};

// Brackets one drive's use of the library; KillPelorinSDK on every way out.
class LibraryForDrive {
public:
    LibraryForDrive(const WipeRun& run, const std::string& root, RunState& state, WipeView& view) {
        const platform::SettingsStore global(kGlobalKey);
        disk_ = DiskPasses(run);
        memory_ = run.memoryPasses.value_or(static_cast<int>(ReadSetting(global, kNumMem)));
        verify_ = Verify(run);
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
        SetVerify(verify_ ? 1 : 0);
    }
    int diskPasses() const { return disk_; }
    bool verify() const { return verify_; }

private:
    int disk_ = 3;
    int memory_ = 10;
    bool verify_ = false;
};

class DriveProcedures {
public:
    DriveProcedures(const WipeRun& run, RunState& state, WipeView& view, Ui& ui)
        : run_(run), state_(state), view_(view), ui_(ui), record_(run.record != nullptr ? *run.record : ownRecord_) {}

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
    const wipe::ErasureRecord& record() const { return record_; }

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

    // The free space of the drive, then TRIM once the fill is gone (also
    // after a read-back that differed: the fill is gone all the same).
    int FreeSpace(const std::string& root, const LibraryForDrive& library) {
        wipe::ErasureJob& job = record_.Job(wipe::kFreeSpaceJob, root, library.diskPasses(),
                                            wipe::PatternCycle::FourWay, library.verify());
        int code = SdkErrorNone;
        {
            const LibraryTally tally(job);
            code = WipeFreeSpace(root.c_str());
        }
        if (code == SdkErrorNone || code == SdkErrorVerifyFailed) {
            record_.verdicts.TrimAfterFreeSpaceWipe(root);
        } else {
            record_.verdicts.FreeSpaceWipeUnfinished(root, code == SdkErrorAborted
                                                               ? "the wipe was stopped, so nothing was trimmed"
                                                               : "the wipe did not finish, so nothing was trimmed");
        }
        return code;
    }

    void Standard(const std::string& root) {
        LibraryForDrive library(run_, root, state_, view_);
        view_.Report(0, FreeSpaceStatus(root));
        library.Scale(0, kBarFull);
        library.SetPasses();
        Succeeded(FreeSpace(root, library), root);
    }

    void Thorough(const std::string& root) {
        LibraryForDrive library(run_, root, state_, view_);
        view_.Report(0, FreeSpaceStatus(root));
        library.Scale(0, kThoroughFreeSpaceSpan);
        library.SetPasses();
        if (!Succeeded(FreeSpace(root, library), root)) return;
        library.Scale(0, 0);
        view_.Report(kThoroughFreeSpaceSpan, std::string(kCountingStatus));
        const DriveWalk walk{root, state_, view_};
        state_.fileCount = CountFiles(walk);
        if (state_.cancel) return;
        state_.fileIndex = 0;
        wipe::ErasureJob& job =
            record_.Job(wipe::kSlackJob, root, library.diskPasses(), wipe::PatternCycle::FourWay, library.verify());
        const LibraryTally tally(job);
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
        wipe::ErasureJob& job =
            record_.Job(wipe::kFilesJob, root, library.diskPasses(), wipe::PatternCycle::FourWay, library.verify());
        DriveWalk walk{root, state_, view_, library.diskPasses()};
        walk.verify = library.verify();
        walk.job = &job;
        walk.record = &record_;
        state_.fileCount = CountFiles(walk);
        if (state_.cancel) return;
        state_.fileIndex = 0;
        // What the walk deleted is in the free space now, so the free space
        // is wiped also when something stayed.
        if (!DeleteWalk(walk)) WalkFailed(kDeleteFailedText);
        view_.Report(kCompleteDeleteSpan, std::string(kWipingDriveStatus));
        library.Scale(kCompleteDeleteSpan, kBarFull - kCompleteDeleteSpan);
        Succeeded(FreeSpace(root, library), root);
    }

    const WipeRun& run_;
    RunState& state_;
    WipeView& view_;
    Ui& ui_;
    wipe::ErasureRecord ownRecord_;
    wipe::ErasureRecord& record_;
    int status_ = 0;
};

}  // namespace

int RunWipe(const WipeRun& run, RunState& state, WipeView& view, Ui& ui) {
    view.Report(0, std::string(kInitializingStatus));
    DriveProcedures procedures(run, state, view, ui);
    for (const auto& root : run.roots) procedures.Run(root);
    // After the run's own messages: what overwriting reached on each drive.
    if (run.verdictMessage && !procedures.record().verdicts.All().empty()) {
        ui.ShowMessage(wipe::VerdictMessage(procedures.record()), std::nullopt, MessageIcon::Information);
    }
    view.Report(kBarFull, std::string(kFinishedStatus));
    view.Finished();
    return procedures.status();
}

}  // namespace pelorin::wipe_app
