#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>

#include "app_common/JobExit.h"
#include "TestHex.h"
#include "archive/ArchiveTestSupport.h"
#include "encrypt_app/CommandLine.h"
#include "encrypt_app/EncryptJob.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/JobList.h"
#include "platform/File.h"
#include "support/TempFolder.h"
#include "support/TestSettings.h"

namespace pelorin::encrypt {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

// Answers the main dialog from a script and records every message.
class ScriptedUi : public EncryptUi {
public:
    explicit ScriptedUi(platform::SettingsStore& settings) : settings_(settings) {}
    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        fake.ShowMessage(text, caption, icon);
    }
    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        return fake.AskYesNo(text, caption, icon);
    }
    void ShowNoFilesDialog() override { ++noFilesShown; }
    bool RunEncryptDialog(EncryptDialogModel& model) override {
        initialAlgorithm = model.selectedAlgorithm;
        initialDelete = model.deleteSource;
        if (cancel) return false;
        if (algorithm) model.selectedAlgorithm = *algorithm;
        model.passkey = passkey;
        model.verify = passkey;
        model.deleteSource = deleteSources;
        return model.ValidateOk(*this, settings_.ReadOr(kHashPasskey.name, 1) != 0);
    }

    test::FakeUi fake;
    int noFilesShown = 0;
    bool cancel = false;
    std::optional<int> algorithm = 1;
    std::string passkey = "correct horse battery";
    bool deleteSources = false;
    int initialAlgorithm = -2;
    bool initialDelete = false;

private:
    platform::SettingsStore& settings_;
};

struct EncryptJobFixture : ::testing::Test {
    test::TempFolder folder;
    test::TestSettings testSettings;
    platform::SettingsStore* settings = &testSettings.store();
    std::unique_ptr<ScriptedUi> ui = std::make_unique<ScriptedUi>(*settings);
    test::FakeProgressView view;

    std::string Path(const std::string& relative) const { return folder.Path(relative); }
    int Run(const std::vector<std::string>& arguments) { return RunEncryptJob(arguments, *ui, view, *settings); }

    // Reads an archive back with the reader; entry name -> content.
    std::vector<test::TestEntry> Entries(const std::string& archive) {
        std::ifstream in(archive, std::ios::binary);
        const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        test::FakeUi readerUi;
        const auto back = test::ReadTestArchive(bytes, ui->passkey, readerUi);
        EXPECT_TRUE(back.opened);
        EXPECT_FALSE(back.damaged);
        EXPECT_TRUE(readerUi.shown.empty());
        return back.entries;
    }
};

TEST(EncryptCommandLineTest, SwitchesAndTheImportFlag) {
    auto line = ParseEncryptCommandLine({"-p", "-I", "C:\\a.txt", "-x", "b"});
    EXPECT_TRUE(line.importSwitch);
    EXPECT_EQ(line.firstFileName, "C:\\a.txt");
    EXPECT_EQ(line.parameters, (std::vector<std::string>{"p", "C:\\a.txt", "x", "b"}));
    EXPECT_TRUE(ParseEncryptCommandLine({"-p", "-q"}).firstFileName.empty());
#if defined(_WIN32)
    EXPECT_TRUE(ParseEncryptCommandLine({"/p", "/I"}).firstFileName.empty());
#else
    EXPECT_EQ(ParseEncryptCommandLine({"/tmp/a.txt"}).firstFileName, "/tmp/a.txt");
#endif
    EXPECT_FALSE(ParseEncryptCommandLine({"/i", "x"}).importSwitch);  // case-sensitive
}

TEST(ArchiveNameTest, StemCollisionNumbersAndOverwrite) {
    const auto none = [](const std::string&) { return false; };
    EXPECT_EQ(ChooseArchiveName("C:\\Docs\\report.txt", false, {}, none), "C:\\Docs\\report.pvb");
    EXPECT_EQ(ChooseArchiveName("C:\\Docs\\Folder", false, {}, none), "C:\\Docs\\Folder.pvb");
    EXPECT_EQ(ChooseArchiveName("C:\\my.dir\\readme", false, {}, none), "C:\\my.pvb");
    const auto taken = [](const std::string& name) { return name == "C:\\Docs\\report.pvb"; };
    EXPECT_EQ(ChooseArchiveName("C:\\Docs\\report.txt", true, {}, taken), "C:\\Docs\\report.pvb");
    for (int i = 0; i < 20; ++i) {
        const std::string name = ChooseArchiveName("C:\\Docs\\report.txt", false, {}, taken);
        ASSERT_EQ(name.rfind("C:\\Docs\\report", 0), 0u);
        const std::string number = name.substr(14, name.size() - 14 - 4);
        ASSERT_FALSE(number.empty());
        EXPECT_TRUE(std::all_of(number.begin(), number.end(), ::isdigit)) << name;
        EXPECT_LT(std::stoi(number), 10000);
        EXPECT_EQ(name.substr(name.size() - 4), ".pvb");
    }
    // A dropped .pvb file is never the archive, even with overwrite on.
    EXPECT_NE(ChooseArchiveName("C:\\x\\old.pvb", true, {"C:\\x\\old.pvb"}, none), "C:\\x\\old.pvb");
}

TEST_F(EncryptJobFixture, NoFilesShowsTheDialogAndEndsWithFive) {
    EXPECT_EQ(Run({}), kExitNoFiles);
    EXPECT_EQ(Run({"-p", "-x"}), kExitNoFiles);
    EXPECT_EQ(ui->noFilesShown, 2);
}

TEST_F(EncryptJobFixture, TwoFilesAndAFolderMakeOneArchiveReadBackByTheReader) {
    folder.Write("a.txt", test::Span("alpha"));
    folder.Write("b.txt", test::Span("bravo!"));
    fs::create_directories(folder.path() / "Work" / "Sub");
    folder.Write("Work/Sub/b.doc", test::Span("document"));
    folder.Write("Work/top.txt", test::Span("top"));
    folder.Write("Work/empty.txt", {});
    ASSERT_EQ(Run({"-I", Path("a.txt"), Path("b.txt"), Path("Work")}), kExitDone);
    const auto entries = Entries(Path("a.pvb"));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_EQ(entries[1].name, "b.txt");
    std::set<std::string> inFolder = {entries[2].name, entries[3].name};
    EXPECT_EQ(inFolder, (std::set<std::string>{"Work\\Sub\\b.doc", "Work\\top.txt"}));
    for (const auto& e : entries) {
        if (e.name == "Work\\Sub\\b.doc") EXPECT_EQ(e.data, test::Span("document"));
    }
    EXPECT_TRUE(ui->fake.shown.empty());
}

TEST_F(EncryptJobFixture, DeletionWipesWhatWasStoredButLeavesEmptyFilesAndTheirFolders) {
    fs::create_directories(folder.path() / "Work" / "Full");
    fs::create_directories(folder.path() / "Work" / "Keep");
    folder.Write("Work/Full/x.bin", test::Span("x"));
    folder.Write("Work/Keep/empty.txt", {});
    folder.Write("pelorin.tmp", test::Span("scratch"));
    ui->deleteSources = true;
    ASSERT_EQ(Run({Path("Work"), Path("pelorin.tmp")}), kExitDone);
    EXPECT_FALSE(fs::exists(folder.path() / "Work" / "Full"));
    EXPECT_TRUE(fs::exists(folder.path() / "Work" / "Keep" / "empty.txt"));
    EXPECT_FALSE(fs::exists(folder.path() / "pelorin.tmp"));  // no entry, but wiped
    const auto entries = Entries(Path("Work.pvb"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Work\\Full\\x.bin");
}

TEST_F(EncryptJobFixture, CancelWritesNothing) {
    settings->Write(kLastAlg.name, 1);
    settings->Write(kStickyDelete.name, 1);
    folder.Write("a.txt", test::Span("a"));
    ui->cancel = true;
    EXPECT_EQ(Run({Path("a.txt")}), kExitDone);
    EXPECT_FALSE(fs::exists(Path("a.pvb")));
    EXPECT_FALSE(settings->Read(kActualAlg.name).has_value());
    EXPECT_FALSE(settings->Read(kHaveDelete.name).has_value());
}

TEST_F(EncryptJobFixture, RememberedChoicesAreOfferedAndStoredAfterOk) {
    folder.Write("a.txt", test::Span("a"));
    settings->Write(kLastAlg.name, 1);
    settings->Write(kActualAlg.name, 6);
    settings->Write(kStickyDelete.name, 1);
    settings->Write(kHaveDelete.name, 0);
    ui->algorithm = 3;
    ASSERT_EQ(Run({Path("a.txt")}), kExitDone);
    EXPECT_EQ(ui->initialAlgorithm, 6);
    EXPECT_EQ(settings->Read(kActualAlg.name), std::optional<std::uint32_t>(3));
    EXPECT_EQ(settings->Read(kHaveDelete.name), std::optional<std::uint32_t>(0));
    // A fresh installation preselects nothing even with remembering on.
    settings->Write(kActualAlg.name, 8);
    ui->cancel = true;
    Run({Path("a.txt")});
    EXPECT_EQ(ui->initialAlgorithm, -1);
}

TEST_F(EncryptJobFixture, ACancelConfirmedWhileEncryptingEndsWithStatusOne) {
    folder.Write("big.bin", test::TestBytes(50000, 1));
    ui->deleteSources = true;
    view.cancelOnNextPump = true;  // Cancel pressed before the first block ends
    ui->fake.answers = {true};
    try {
        Run({Path("big.bin")});
        FAIL() << "no exit";
    } catch (const JobExit& exit) {
        EXPECT_EQ(exit.status(), 1);
    }
    ASSERT_FALSE(ui->fake.shown.empty());
    EXPECT_EQ(ui->fake.shown.back().text, "Are you sure you want to Cancel?");
    EXPECT_TRUE(fs::exists(Path("big.bin")));  // nothing is wiped after a cancel
    EXPECT_TRUE(fs::exists(Path("big.pvb")));  // the archive stays as far as written
}

TEST_F(EncryptJobFixture, MissingAndUnreadableNamesAreReportedAndTheArchiveStaysReadable) {
    folder.Write("a.txt", test::Span("a"));
    ASSERT_EQ(Run({Path("a.txt"), Path("missing.txt")}), kExitDone);
    ASSERT_EQ(ui->fake.shown.size(), 1u);
    EXPECT_EQ(ui->fake.shown[0].text, NotFoundText(Path("missing.txt")));
    EXPECT_EQ(Entries(Path("a.pvb")).size(), 1u);
}

TEST_F(EncryptJobFixture, FilesOfTwoGigabytesOrMoreAreRefusedAndKept) {
    {
        platform::OpenOptions create;
        create.write = true;
        create.create = true;
        platform::File big = platform::File::Open(Path("big.bin"), create);
        ASSERT_TRUE(big.SetLength(std::int64_t{1} << 31));  // sparse
    }
    folder.Write("small.txt", test::Span("s"));
    ui->deleteSources = true;
    ASSERT_EQ(Run({Path("small.txt"), Path("big.bin")}), kExitDone);
    EXPECT_TRUE(fs::exists(Path("big.bin")));
    EXPECT_FALSE(fs::exists(Path("small.txt")));
    ASSERT_EQ(ui->fake.shown.size(), 1u);
    EXPECT_EQ(ui->fake.shown[0].text, TooLargeText(Path("big.bin")));
    EXPECT_EQ(Entries(Path("small.pvb")).size(), 1u);
}

TEST_F(EncryptJobFixture, TheArchiveInsideADroppedFolderIsNeitherReadNorWiped) {
    fs::create_directories(folder.path() / "dir");
    folder.Write("dir/a.txt", test::Span("inside"));
    ui->deleteSources = true;
    // The archive goes next to the first item, dir/a.txt: inside "dir".
    ASSERT_EQ(Run({Path("dir/a.txt"), Path("dir")}), kExitDone);
    ASSERT_TRUE(fs::exists(Path("dir/a.pvb")));
    const auto entries = Entries(Path("dir/a.pvb"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "a.txt");
}

TEST_F(EncryptJobFixture, AnArchiveThatCannotBeCreatedEndsWith45) {
    folder.Write("a.txt", test::Span("a"));
    fs::create_directory(Path("a.pvb"));  // a folder where the archive should go
    settings->Write(kOverwrite.name, 1);
    EXPECT_EQ(Run({Path("a.txt")}), kExitArchiveNotWritable);
    ASSERT_EQ(ui->fake.shown.size(), 1u);
    EXPECT_EQ(ui->fake.shown[0].text, "The file " + Path("a.pvb") + "could not be opened for writing");
    EXPECT_TRUE(fs::exists(Path("a.txt")));
}

#if !defined(_WIN32)
TEST_F(EncryptJobFixture, LinksInsideDroppedFoldersAreNeitherFollowedNorWiped) {
    test::TempFolder outside;
    outside.Write("secret.txt", test::Span("outside"));
    fs::create_directories(folder.path() / "Work");
    folder.Write("Work/real.txt", test::Span("real"));
    fs::create_symlink(outside.path() / "secret.txt", folder.path() / "Work" / "link.txt");
    fs::create_directory_symlink(outside.path(), folder.path() / "Work" / "loop");
    ui->deleteSources = true;
    ASSERT_EQ(Run({Path("Work")}), kExitDone);
    EXPECT_EQ(outside.Read("secret.txt"), test::Span("outside"));
    const auto entries = Entries(Path("Work.pvb"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Work\\real.txt");
}
#endif

}  // namespace
}  // namespace pelorin::encrypt
