// Pelorin Wipe's worker, walks and Start sequence, through a recording view
// on the tests' own volume (PELORIN_TEST_VOLUME: a small tmpfs, or a Wine
// drive letter mapped to one). Every test that wipes is named ...OnTestVolume
// and skipped without that volume.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Paths.h"
#include "platform/Volume.h"
#include "support/FakeUi.h"
#include "wipe/WipeTestSupport.h"
#include "wipe_app/BarPosition.h"
#include "wipe_app/DriveWalks.h"
#include "wipe_app/RunSummary.h"
#include "wipe_app/StartRequest.h"
#include "wipe_app/WipeRun.h"
#include "wipe_app/WipeTexts.h"

namespace pelorin::wipe_app {
namespace {

namespace fs = std::filesystem;

struct Recorded {
    int position;
    std::optional<std::string> status;
};

class RecordingView final : public WipeView {
public:
    void Report(int position, const std::optional<std::string>& status) override {
        reports.push_back({position, status});
        if (onReport) onReport(position, status);
    }
    void Finished() override { ++finished; }
    void NotProcessed(const std::string& path, const std::string&) override { leftAlone.push_back(path); }

    std::vector<std::string> Statuses() const {
        std::vector<std::string> texts;
        for (const auto& r : reports) {
            if (r.status) texts.push_back(*r.status);
        }
        return texts;
    }
    std::optional<int> PositionOf(const std::string& status) const {
        for (const auto& r : reports) {
            if (r.status == status) return r.position;
        }
        return std::nullopt;
    }

    std::vector<Recorded> reports;
    std::vector<std::string> leftAlone;
    int finished = 0;
    std::function<void(int, const std::optional<std::string>&)> onReport;
};

struct DriveWipeFixture : ::testing::Test {
    std::string root;
    RunState state;
    RecordingView view;
    test::FakeUi ui;
    bool verify = false;
    wipe::ErasureRecord record;

    void SetUp() override {
        const char* volume = test::TestVolume();
        if (volume == nullptr) GTEST_SKIP() << "PELORIN_TEST_VOLUME names no test volume";
        root = volume;
        Clear();
    }
    void TearDown() override {
        if (!root.empty()) Clear();
    }
    // The volume's root is listed through the platform layer: the C++
    // library of the Windows build cannot iterate a bare drive root.
    void Clear() {
        for (const auto& name : platform::ListFolder(root).names) fs::remove_all(fs::path(root) / name);
    }
    bool Empty() const { return platform::ListFolder(root).names.empty(); }
    std::string Make(const std::string& relative, std::size_t size) {
        const fs::path path = fs::path(root) / fs::path(relative).make_preferred();
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << std::string(size, 'm');
        return path.string();
    }
    int Run(WipeType type, std::vector<std::string> roots = {}) {
        WipeRun run;
        run.type = type;
        run.roots = roots.empty() ? std::vector<std::string>{root} : roots;
        run.diskPasses = 1;
        run.memoryPasses = 1;
        run.verdictMessage = false;  // a test of its own looks at that message
        run.verify = verify;
        run.record = &record;
        return RunWipe(run, state, view, ui);
    }
};

TEST(BarPositionTest, IntegerScalingNeverPastThePhaseAndNeverByZero) {
    struct Case {
        int start, span;
        std::int64_t done, total;
        int expected;
    };
    for (const Case c : {Case{0, 32000, 1, 3, 10666}, Case{20000, 12000, 2, 3, 28000}, Case{12000, 20000, 0, 0, 12000},
                         Case{0, 12000, 5, 0, 0}, Case{20000, 12000, 9, 3, 32000},
                         Case{0, 32000, std::int64_t{1} << 40, std::int64_t{1} << 41, 16000}}) {
        EXPECT_EQ(Scaled(c.start, c.span, c.done, c.total), c.expected) << c.done << "/" << c.total;
    }
}

TEST(StartRequestTest, DrivesTestedInLetterOrderWithTheirQuestions) {
    test::FakeUi ui;
    std::vector<std::string> tested;
    int failuresLeft = 2;
    const auto canEnter = [&](const std::string& root) {
        tested.push_back(root);
        return !(root == "E:\\" && failuresLeft-- > 0);
    };
    ui.choices = {AbortRetryIgnore::Retry, AbortRetryIgnore::Ignore};
    const auto roots = PrepareStart({"(e:\\)", "(C:\\)", "(1:\\)"}, WipeType::Standard, ui, canEnter);
    ASSERT_TRUE(roots);
    EXPECT_EQ(*roots, (std::vector<std::string>{"C:\\", "E:\\"}));
    EXPECT_EQ(tested, (std::vector<std::string>{"E:\\", "E:\\", "E:\\", "C:\\"}));
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{DriveTestText("E:\\"), DriveTestText("E:\\")}));

    test::FakeUi aborting;  // Abort when the script runs out
    EXPECT_FALSE(PrepareStart({"(D:\\)"}, WipeType::Standard, aborting, [](const std::string&) { return false; }));
    test::FakeUi none;
    EXPECT_FALSE(PrepareStart({}, WipeType::Thorough, none, canEnter));
    EXPECT_EQ(none.Texts(), std::vector<std::string>{kNoDriveText});
    // Complete names the drives below its question, and Enter answers No.
    test::FakeUi declined;
    declined.answers = {false};
    EXPECT_FALSE(PrepareStart({"(E:\\)", "(C:\\)"}, WipeType::Complete, declined, canEnter));
    ASSERT_EQ(declined.shown.size(), 1u);
    EXPECT_EQ(declined.shown[0].text, std::string(kCompleteQuestion) + "\n\nSelected drives: C:\\, E:\\");
    EXPECT_TRUE(declined.shown[0].defaultNo);
    EXPECT_EQ(DriveListText('D'), "(D:\\)");
}

TEST(RunSummaryTest, TheFinishedLineNamesDrivesTypeAndEnd) {
    EXPECT_EQ(FinishedLine(WipeType::Standard, {"T:\\"}, 0), "Done: drive T:\\ (Standard wipe).");
    EXPECT_EQ(FinishedLine(WipeType::Complete, {"T:\\", "U:\\"}, 13),
              "Cancelled: drives T:\\, U:\\ (Complete wipe); stopped before the end.");
    EXPECT_EQ(FinishedLine(WipeType::Thorough, {"/mnt/x/"}, 4),
              "Done with errors: drive /mnt/x/ (Thorough wipe); see the messages shown.");
}

TEST_F(DriveWipeFixture, StandardFillsFromZeroToFullOnTestVolume) {
    EXPECT_EQ(Run(WipeType::Standard), 0);
    EXPECT_EQ(view.Statuses(),
              (std::vector<std::string>{kInitializingStatus, FreeSpaceStatus(root), kFinishedStatus}));
    EXPECT_EQ(view.reports.front().position, 0);
    EXPECT_EQ(view.reports.back().position, kBarFull);
    for (std::size_t i = 1; i < view.reports.size(); ++i) {
        EXPECT_GE(view.reports[i].position, view.reports[i - 1].position);
    }
    EXPECT_EQ(view.finished, 1);
    EXPECT_TRUE(ui.shown.empty());
}

// Thorough: free space into 20000, counting there, then each file's slack
// at 20000 + k x 12000 / count. Links, dot-names and other volumes' files
// are none of the drive's files.
TEST_F(DriveWipeFixture, ThoroughWipesTheSlackOfEveryFileInTurnOnTestVolume) {
    const std::string a = Make("a.txt", 5), b = Make("sub/b.txt", 7), c = Make("sub/deep/c.txt", 9);
    Make(".hidden", 3);
#if !defined(_WIN32)
    fs::create_symlink("/etc/hostname", fs::path(root) / "link");
#endif
    EXPECT_EQ(Run(WipeType::Thorough), 0);
    EXPECT_EQ(state.fileCount, 3u);
    EXPECT_EQ(view.PositionOf(kCountingStatus), 20000);
    std::vector<int> slackPositions;
    for (const auto& r : view.reports) {
        if (r.status && r.status->rfind("Wiping slack of ", 0) == 0) slackPositions.push_back(r.position);
    }
    EXPECT_EQ(slackPositions, (std::vector<int>{20000, 24000, 28000}));
    for (const auto& file : {a, b, c}) EXPECT_TRUE(view.PositionOf(SlackStatus(file))) << file;
    EXPECT_EQ(fs::file_size(a), 5u);
    EXPECT_TRUE(ui.shown.empty());
}

// Complete: counting at 0, each file deleted at k x 12000 / count, then the
// free space from 12000. A dot-named file is neither counted nor deleted, so
// its folder remains: the deletion message, and the free space is still
// wiped, since what was deleted lies there.
TEST_F(DriveWipeFixture, CompleteDeletesEverythingThenWipesTheFreeSpaceOnTestVolume) {
    Make("one.txt", 10);
    Make("dir/two.txt", 10);
    EXPECT_EQ(Run(WipeType::Complete), 0);
    EXPECT_EQ(view.PositionOf(kCountingStatus), 0);
    EXPECT_EQ(view.PositionOf(kWipingDriveStatus), kCompleteDeleteSpan);
    EXPECT_TRUE(Empty());
    EXPECT_TRUE(ui.shown.empty());

    view.reports.clear();
    Make("kept/.profile", 10);
    Make("kept/gone.txt", 10);
    EXPECT_EQ(Run(WipeType::Complete), 1);
    EXPECT_EQ(state.fileCount, 1u);
    EXPECT_TRUE(fs::exists(fs::path(root) / "kept" / ".profile"));
    EXPECT_FALSE(fs::exists(fs::path(root) / "kept" / "gone.txt"));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{kDeleteFailedText});
    EXPECT_EQ(view.PositionOf(kWipingDriveStatus), kCompleteDeleteSpan);
}

// With verify on, what the fill and Complete's overwrites wrote is read back;
// a file that does not read back as written stays. The run ends with one
// message of each drive's verdict; on the tests' tmpfs nothing is trimmed,
// and under Wine the disk cannot be told.
TEST_F(DriveWipeFixture, VerifiedRunsCountWhatReadBackAndEndWithTheVerdictsOnTestVolume) {
    verify = true;
    Make("kept.txt", 5000);
    {
        test::CorruptedReadBack corrupted;
        EXPECT_EQ(Run(WipeType::Complete), 14);
    }
    EXPECT_EQ(view.leftAlone, std::vector<std::string>{(fs::path(root) / "kept.txt").string()});
    EXPECT_EQ(fs::file_size(fs::path(root) / "kept.txt"), 5000u);
    ASSERT_EQ(record.jobs.size(), 2u);
    EXPECT_EQ(record.jobs[0].kind, wipe::kFilesJob);
    EXPECT_EQ(record.jobs[0].tally.verifyFailures, 1u);
    EXPECT_EQ(record.jobs[0].tally.filesOverwritten, 0u);
    EXPECT_EQ(record.jobs[1].kind, wipe::kFreeSpaceJob);
    EXPECT_EQ(record.jobs[1].tally.verifyFailures, 1u);

    record = wipe::ErasureRecord();
    ui.shown.clear();
    WipeRun run;
    run.roots = {root};
    run.diskPasses = 1;
    run.verify = true;
    run.record = &record;
    EXPECT_EQ(RunWipe(run, state, view, ui), 0);
    ASSERT_EQ(record.jobs.size(), 1u);
    const wipe::WipeTally& fill = record.jobs[0].tally;
    EXPECT_GT(fill.bytesOverwritten, 0u);
    EXPECT_EQ(fill.bytesVerified, fill.bytesOverwritten);  // one pass, read back whole
    ASSERT_EQ(record.verdicts.All().size(), 1u);
    const wipe::VolumeVerdict& verdict = record.verdicts.All().front();
#if defined(_WIN32)
    EXPECT_EQ(verdict.facts.medium, platform::Medium::Unknown);
#else
    EXPECT_EQ(verdict.facts.medium, platform::Medium::Memory);
    EXPECT_EQ(verdict.trim.result, platform::TrimResult::NotApplicable);
#endif
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, wipe::VerdictMessage(record));
    EXPECT_EQ(ui.shown[0].text.rfind(std::string(wipe::kVerdictHeading) + "\n\n" + verdict.path + ": ", 0), 0u);
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Information);
}

// A cancel during Thorough's free-space phase ends that drive at once with
// no message; the next drive's procedure still starts (and stops at once).
TEST_F(DriveWipeFixture, CancelDuringThoroughFreeSpaceEndsTheDriveQuietlyOnTestVolume) {
    Make("a.txt", 5);
    view.onReport = [&](int position, const std::optional<std::string>&) {
        if (position > 0 && position < kThoroughFreeSpaceSpan) state.cancel = true;
    };
    EXPECT_EQ(Run(WipeType::Thorough, {root, root}), 13);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_FALSE(view.PositionOf(kCountingStatus));
    int starts = 0;
    for (const auto& text : view.Statuses()) starts += text == FreeSpaceStatus(root);
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(view.finished, 1);
}

// One file whose slack cannot be wiped does not end the walk: every other
// file is still visited, and the failure is reported once.
TEST_F(DriveWipeFixture, ASlackFailureDoesNotEndTheWalkOnTestVolume) {
    const std::string first = Make("a.txt", 5), second = Make("b.txt", 5), third = Make("c.txt", 5);
    const DriveWalk walk{root, state, view};
    state.fileCount = CountFiles(walk);
    std::vector<std::string> visited;
    EXPECT_FALSE(SlackWalk(walk, [&](const std::string& path) {
        visited.push_back(path);
        return visited.size() == 1 ? 1 : 0;
    }));
    EXPECT_EQ(visited.size(), 3u);
    EXPECT_EQ(view.leftAlone.size(), 1u);
}

#if !defined(_WIN32)
// A link is removed itself, never followed; what it leads to stays.
TEST_F(DriveWipeFixture, CompleteRemovesLinksButNotWhatTheyLeadToOnTestVolume) {
    const fs::path outside = fs::temp_directory_path() / ("pelorin-outside-" + std::to_string(::getpid()));
    fs::create_directories(outside);
    std::ofstream(outside / "keep.txt") << "outside";
    fs::create_directory_symlink(outside, fs::path(root) / "into");
    fs::create_symlink(outside / "keep.txt", fs::path(root) / "file-link");
    EXPECT_EQ(Run(WipeType::Complete), 0);
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(root) / "into")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(root) / "file-link")));
    fs::remove_all(outside);
}

TEST(SystemVolumeTest, TheRunningSystemsVolumeIsKnown) {
    EXPECT_TRUE(platform::HoldsRunningSystem("/"));
    if (const char* volume = test::TestVolume()) EXPECT_FALSE(platform::HoldsRunningSystem(volume));
}
#endif

}  // namespace
}  // namespace pelorin::wipe_app
