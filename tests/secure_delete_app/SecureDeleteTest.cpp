#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "platform/File.h"
#include "secure_delete_app/SecureDeleteJob.h"
#include "secure_delete_app/SecureDeleteSettings.h"
#include "secure_delete_app/SecureDeleteTexts.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"
#include "support/TestSettings.h"
#include "wipe/WipeTestSupport.h"

namespace pelorin::secure_delete {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class FakeSecureDeleteUi : public test::FakeUi, public SecureDeleteUi {
public:
    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        FakeUi::ShowMessage(text, caption, icon);
    }
    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        return FakeUi::AskYesNo(text, caption, icon);
    }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& text, const std::optional<std::string>& caption,
                                         MessageIcon icon) override {
        return FakeUi::AskAbortRetryIgnore(text, caption, icon);
    }
    void ShowNothingDropped() override { ++nothingDropped; }
    std::optional<Confirmation> Confirm(const DroppedSummary& dropped) override {
        ++confirmations;
        summaries.push_back(dropped);
        return confirmation;
    }

    int nothingDropped = 0;
    int confirmations = 0;
    std::vector<DroppedSummary> summaries;
    std::optional<Confirmation> confirmation = Confirmation{true, false};
};

// Everything happens in a folder on the tests' own volume.
struct SecureDeleteFixture : ::testing::Test {
    void SetUp() override {
        if (!test::TestVolume()) GTEST_SKIP() << "PELORIN_TEST_VOLUME is not set";
        root = fs::path(test::TestVolume()) / ("sundrel-" + std::to_string(std::random_device{}()));
        fs::create_directories(root);
    }
    void TearDown() override {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(root, ignored)) {
            fs::permissions(entry.path(), fs::perms::owner_all, ignored);
        }
        if (!root.empty()) fs::remove_all(root, ignored);
    }

    std::string Make(const std::string& relative, std::size_t size = 100) {
        const fs::path path = (root / relative).make_preferred();
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << std::string(size, 'q');
        return path.string();
    }
    std::string Path(const std::string& relative) const { return (root / relative).make_preferred().string(); }
    bool Exists(const std::string& relative) const { return fs::exists(fs::symlink_status(root / relative)); }

    // The message of the drives' verdicts at the end is left out unless a
    // test asks for it.
    SecureDeleteResult Run(const std::vector<std::string>& paths, SecureDeleteOptions options = {}) {
        options.verdictMessage = verdictMessage;
        return RunSecureDelete(paths, settings.store(), ui, view, options);
    }
    std::optional<std::uint32_t> Remembered() { return settings.store().Read(kSecDelDoNotRemind.name); }

    fs::path root;
    bool verdictMessage = false;
    test::TestSettings settings;
    FakeSecureDeleteUi ui;
    test::FakeProgressView view;
};

TEST_F(SecureDeleteFixture, StartUpAsksAsTheProfileSaysOnTestVolume) {
    // Nothing dropped: the explanation, and nothing else.
    EXPECT_EQ(Run({}).outcome, DeleteOutcome::NothingDropped);
    EXPECT_EQ(ui.nothingDropped, 1);
    EXPECT_EQ(ui.confirmations, 0);

    struct Case {
        std::optional<std::uint32_t> stored;
        std::optional<Confirmation> answer;
        bool asked;
        bool deleted;
        std::optional<std::uint32_t> storedAfter;
    };
    const Case cases[] = {
        {std::nullopt, Confirmation{false, true}, true, false, std::nullopt},  // No keeps the setting as it was
        {std::nullopt, std::nullopt, true, false, std::nullopt},               // no dialog, no deletion
        {1, Confirmation{true, true}, true, true, 0},                          // ticked and Yes
        {1, Confirmation{true, false}, true, true, 1},
        {0, std::nullopt, false, true, 0},                                     // turned off: no question
        {7, Confirmation{true, false}, true, true, 1},                         // only 0 turns it off
    };
    for (const Case& c : cases) {
        const std::string file = Make("dropped.txt");
        if (c.stored) settings.store().Write(kSecDelDoNotRemind.name, *c.stored);
        ui.confirmations = 0;
        ui.confirmation = c.answer;
        const auto result = Run({file});
        EXPECT_EQ(ui.confirmations, c.asked ? 1 : 0);
        EXPECT_EQ(fs::exists(file), !c.deleted);
        EXPECT_EQ(result.outcome, c.deleted ? DeleteOutcome::Done : DeleteOutcome::NotConfirmed);
        EXPECT_EQ(Remembered(), c.storedAfter);
    }
    EXPECT_EQ(ui.nothingDropped, 1);
    EXPECT_TRUE(ui.shown.empty());
}

// The confirmation names what was dropped: counts by kind, then the first
// names as given and how many more.
TEST(DroppedSummaryTest, CountsByKindAndListsTheFirstNames) {
    test::TempFolder folder;
    std::vector<std::string> paths = {folder.Path("missing.txt")};
    fs::create_directories(folder.path() / "Work");
    paths.push_back(folder.Path("Work"));
    for (std::size_t n = 0; n < kDroppedNamesShown + 2; ++n) {
        const std::string name = "file" + std::to_string(n) + ".txt";
        folder.Write(name, {std::uint8_t{1}});
        paths.push_back(folder.Path(name));
    }
    const DroppedSummary summary = SummariseDropped(paths);
    EXPECT_EQ(summary.files, kDroppedNamesShown + 2);
    EXPECT_EQ(summary.folders, 1u);
    EXPECT_EQ(summary.missing, 1u);
    EXPECT_EQ(summary.firstNames, std::vector<std::string>(paths.begin(), paths.begin() + kDroppedNamesShown));
    EXPECT_EQ(summary.moreNames, 4u);

    EXPECT_EQ(DroppedCountText(22, 1, 1),
              "To be deleted: 22 files and 1 folder with everything in it. 1 dropped name does not exist.");
    EXPECT_EQ(DroppedCountText(1, 0, 0), "To be deleted: 1 file.");
    EXPECT_EQ(DroppedCountText(0, 2, 2),
              "To be deleted: 2 folders with everything in them. 2 dropped names do not exist.");
    EXPECT_EQ(DroppedNamesText({"C:\\a.txt", "C:\\Work"}, 3), "C:\\a.txt\nC:\\Work\n... and 3 more.\n");
}

// With the setting verify, each file's last pass is read back before it is
// deleted: one that does not read back as written stays, with its message
// and in the list; what was verified is counted on its volume. The run ends
// with the drives' verdicts, after the program's own messages.
TEST_F(SecureDeleteFixture, VerifiedFilesGoOnlyWhenTheyReadBackAsWrittenOnTestVolume) {
    settings.store().Write(kVerify.name, 1);
    verdictMessage = true;
    const std::string kept = Make("kept.txt", 5000);
    SecureDeleteOptions options;
    options.confirmed = true;
    {
        test::CorruptedReadBack corrupted;
        const auto result = Run({kept}, options);
        EXPECT_EQ(result.outcome, DeleteOutcome::ItemsLeft);
        ASSERT_EQ(result.left.size(), 1u);
        EXPECT_EQ(result.left[0].why, wipe::kNotAsWrittenText);
    }
    EXPECT_EQ(test::SizeOf(kept), 5000);
    ASSERT_EQ(ui.shown.size(), 3u);
    EXPECT_EQ(ui.shown[0].text, wipe::DroppedNotAsWrittenText(kept));
    EXPECT_EQ(ui.shown[1].text, NotDeletedText({kept}));
    EXPECT_EQ(ui.shown[2].text.rfind(wipe::kVerdictHeading, 0), 0u);

    wipe::ErasureRecord record;
    options.record = &record;
    EXPECT_EQ(Run({kept}, options).outcome, DeleteOutcome::Done);
    EXPECT_FALSE(Exists("kept.txt"));
    ASSERT_EQ(record.jobs.size(), 1u);
    const wipe::WipeTally& tally = record.jobs[0].tally;
    EXPECT_TRUE(record.jobs[0].verify);
    EXPECT_EQ(tally.filesOverwritten, 1u);
    EXPECT_GE(tally.bytesVerified, 5000u);  // the last pass, to the end of its last cluster
    EXPECT_EQ(tally.bytesOverwritten, 3 * tally.bytesVerified);
    EXPECT_EQ(ui.shown.back().text, wipe::VerdictMessage(record));
}

// One dropped tree with every kind of item the walk meets; what stays is
// listed once, in the order met, and nothing outside the tree is touched.
TEST_F(SecureDeleteFixture, DroppedTreeGoesExceptWhatMustStayOnTestVolume) {
    Make("tree/plain.txt", 5000);
    Make("tree/.profile");             // a '.'-named file goes like any other
    Make("tree/sub/deep/file.bin", 1);
    Make("tree/.git/config");          // a '.'-named folder stays, and so its parent
    const std::string held = Make("tree/held.pvb");
    const std::string outside = Make("outside/target.txt", 7);
    platform::OpenOptions reading;
    reading.read = true;
    reading.lock = platform::FileLock::Shared;  // another job is reading it
    platform::File reader = platform::File::Open(held, reading);
    ASSERT_TRUE(reader.IsOpen());
    // A read-only file stays too, where the system keeps it from its
    // administrator (Windows); root may write anything on Linux.
#if defined(_WIN32)
    const bool readOnlyStays = true;
#else
    const bool readOnlyStays = geteuid() != 0;
#endif
    const std::string readOnly = Make("tree/read-only.txt");
    fs::permissions(readOnly, fs::perms::owner_read);
    std::error_code noLinks;
    fs::create_symlink(root / "outside", root / "tree" / "sub" / "folder-link", noLinks);
    if (!noLinks) fs::create_symlink(root / "outside" / "target.txt", root / "tree" / "file-link");

    const auto result = Run({Path("tree")});
    EXPECT_EQ(result.outcome, DeleteOutcome::ItemsLeft);
    EXPECT_FALSE(Exists("tree/plain.txt"));
    EXPECT_FALSE(Exists("tree/.profile"));
    EXPECT_FALSE(Exists("tree/sub"));  // with its links, which are gone themselves
    EXPECT_FALSE(Exists("tree/file-link"));
    EXPECT_TRUE(Exists("tree/.git/config"));
    EXPECT_TRUE(Exists("tree/held.pvb"));
    EXPECT_EQ(test::SizeOf(outside), 7);

    std::vector<std::string> named;
    for (const auto& item : result.left) named.push_back(item.path);
    // One folder's entries come in the system's order; the folder follows them.
    std::vector<std::string> left = named;
    std::sort(left.begin(), left.end() - 1);
    std::vector<std::string> expected{Path("tree/.git"), held};
    if (readOnlyStays) expected.push_back(readOnly);
    std::sort(expected.begin(), expected.end());
    expected.push_back(Path("tree"));
    EXPECT_EQ(left, expected);
    EXPECT_EQ(Exists("tree/read-only.txt"), readOnlyStays);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].caption, std::optional<std::string>(kApplicationTitle));
    EXPECT_EQ(ui.shown[0].text, NotDeletedText(named));
}

// Dropped items that are not deleted: a name not from a drive root, a link
// (removed, its target kept), a name that does not exist (gone already).
TEST_F(SecureDeleteFixture, DroppedNamesOfEveryKindOnTestVolume) {
    const std::string target = Make("target.txt", 9);
#if defined(_WIN32)
    const std::string notFromRoot = "\\\\?\\" + Make("network.txt");
#else
    Make("network.txt");
    const fs::path before = fs::current_path();
    fs::current_path(root);
    const std::string notFromRoot = "network.txt";
#endif
    std::vector<std::string> dropped{notFromRoot, Path("missing.txt")};
    std::error_code noLinks;  // links need a privilege on Windows
    fs::create_symlink(target, root / "link.txt", noLinks);
    if (!noLinks) dropped.push_back(Path("link.txt"));
    const auto result = Run(dropped);
#if !defined(_WIN32)
    fs::current_path(before);
#endif
    EXPECT_TRUE(Exists("network.txt"));
    EXPECT_FALSE(Exists("link.txt"));
    EXPECT_EQ(test::SizeOf(target), 9);
    ASSERT_EQ(result.left.size(), 1u);
    EXPECT_EQ(result.left[0].path, notFromRoot);
    EXPECT_EQ(result.missing, std::vector<std::string>{Path("missing.txt")});
}

// A folder being walked is swapped for a link to elsewhere while its first
// file is overwritten: nothing elsewhere is touched (on Windows the folder
// is held and the swap fails).
TEST_F(SecureDeleteFixture, AFolderSwappedForALinkMidWalkLeadsNowhereOnTestVolume) {
    Make("tree/a/first.txt", 10);
    Make("tree/a/second.txt", 10);
    const std::string first = Make("outside/first.txt", 7);
    const std::string second = Make("outside/second.txt", 7);
    bool swapped = false;
    view.onPump = [&] {
        if (swapped || view.statuses.empty()) return;
        swapped = true;
        std::error_code failed;
        fs::rename(root / "tree" / "a", root / "moved", failed);
        if (!failed) fs::create_directory_symlink(root / "outside", root / "tree" / "a", failed);
    };
    Run({Path("tree")});
    EXPECT_TRUE(swapped);
    EXPECT_EQ(test::SizeOf(first), 7);
    EXPECT_EQ(test::SizeOf(second), 7);
}

TEST_F(SecureDeleteFixture, PercentFollowsEachFilesPassesOnTestVolume) {
    const std::string file = Make("one-cluster.txt", 10);
    Run({file});
    // The first write of each pass: 0, 10666 and 21332 of 32000.
    EXPECT_EQ(view.range, std::make_pair(0, kDeleteBarFull));
    EXPECT_EQ(view.percentTexts, (std::vector<std::string>{"0%", "33%", "66%"}));
    EXPECT_EQ(view.statuses, std::vector<std::string>{"Deleting one-cluster.txt..."});
}

// Cancel pressed while the first file is overwritten is asked about before
// the second: Yes leaves the second untouched, No goes on.
TEST_F(SecureDeleteFixture, CancelIsHonouredBetweenFilesOnTestVolume) {
    for (const bool stop : {true, false}) {
        const std::string first = Make("first.txt", 10);
        const std::string second = Make("second.txt", 10);
        // Pressed once, at the first pump after the first file's status.
        bool pressed = false;
        view.statuses.clear();
        view.onPump = [&] {
            if (pressed || view.statuses.empty()) return;
            view.cancelOnNextPump = pressed = true;
        };
        ui.shown.clear();
        ui.answers = {stop};
        const auto result = Run({first, second});
        EXPECT_FALSE(fs::exists(first));
        EXPECT_EQ(fs::exists(second), stop);
        if (stop) {
            std::ifstream in(second, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(10, 'q'));
        }
        EXPECT_EQ(result.outcome, stop ? DeleteOutcome::Cancelled : DeleteOutcome::Done);
        ASSERT_EQ(ui.Texts(), std::vector<std::string>{kCancelQuestion});
        fs::remove(second);
    }
}

}  // namespace
}  // namespace pelorin::secure_delete
