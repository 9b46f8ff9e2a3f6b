#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>

#include "app_common/ForwardingUi.h"
#include "app_common/JobExit.h"
#include "TestHex.h"
#include "archive/ArchiveTestSupport.h"
#include "encrypt_app/ArchiveFile.h"
#include "encrypt_app/CommandLine.h"
#include "encrypt_app/EncryptJob.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/JobList.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "support/ClassicCodePageScope.h"
#include "support/TempFolder.h"
#include "support/TestSettings.h"

namespace pelorin::encrypt {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

// Answers the main dialog from a script and records every message.
class ScriptedUi : public ForwardingUi<EncryptUi> {
public:
    explicit ScriptedUi(platform::SettingsStore& settings) : ForwardingUi(fake), settings_(settings) {}
    void ShowNoFilesDialog() override { ++noFilesShown; }
    bool ListsNotDoneAtEnd() const override { return listsAtEnd; }
    bool RunEncryptDialog(EncryptDialogModel& model) override {
        initialAlgorithm = model.selectedAlgorithm;
        initialDelete = model.deleteSource;
        if (cancel) return false;
        if (algorithm) model.selectedAlgorithm = *algorithm;
        model.passkey = passkey;
        model.verify = passkey;
        model.deleteSource = deleteSources;
        const bool accepted = model.ValidateOk(*this, PasskeyHashingOn(settings_));
        if (accepted && afterOk) afterOk();
        return accepted;
    }

    test::FakeUi fake;
    int noFilesShown = 0;
    bool listsAtEnd = false;
    bool cancel = false;
    std::optional<int> algorithm = 1;
    std::string passkey = "correct horse battery";
    bool deleteSources = false;
    int initialAlgorithm = -2;
    bool initialDelete = false;
    std::function<void()> afterOk;  // runs once the dialog has accepted

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
    ASSERT_EQ(Run({Path("Work"), Path("pelorin.tmp")}), kExitIncomplete);
    EXPECT_FALSE(fs::exists(folder.path() / "Work" / "Full"));
    EXPECT_TRUE(fs::exists(folder.path() / "Work" / "Keep" / "empty.txt"));
    // No entry, and so never wiped: there is no copy of it anywhere.
    EXPECT_EQ(folder.Read("pelorin.tmp"), test::Span("scratch"));
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{SkippedTemporaryText(Path("pelorin.tmp"))});
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
    ASSERT_EQ(Run({Path("a.txt"), Path("missing.txt")}), kExitIncomplete);
    ASSERT_EQ(ui->fake.shown.size(), 1u);
    EXPECT_EQ(ui->fake.shown[0].text, NotFoundText(Path("missing.txt")));
    EXPECT_EQ(Entries(Path("a.pvb")).size(), 1u);
}

// The dialog program's way: one message at the end lists every item, by
// its full name, also when a cancel ends the job.
TEST_F(EncryptJobFixture, WhatWasNotDoneIsListedOnceAtTheEnd) {
    ui->listsAtEnd = true;
    folder.Write("a.txt", test::Span("a"));
    folder.Write("pelorin.tmp", test::Span("reserved"));
    ASSERT_EQ(Run({Path("missing.txt"), Path("a.txt"), Path("pelorin.tmp")}), kExitIncomplete);
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{NotDoneListText(
                                    {NotFoundText(Path("missing.txt")), SkippedTemporaryText(Path("pelorin.tmp"))})});
    EXPECT_EQ(Entries(Path("missing.pvb")).size(), 1u);

    std::vector<std::string> many;
    for (std::size_t n = 0; n <= kNotDoneShown; ++n) many.push_back("item " + std::to_string(n));
    const std::string list = NotDoneListText(many);
    EXPECT_EQ(list.rfind(std::string(kNotDoneHeading) + "\n\nitem 0\n\nitem 1\n\n", 0), 0u) << list;
    EXPECT_NE(list.find("\n\nitem " + std::to_string(kNotDoneShown - 1) + "\n\n... and 1 more."), std::string::npos)
        << list;

    ui->fake.shown.clear();
    folder.Write("big.bin", test::TestBytes(50000, 1));
    view.cancelOnNextPump = true;
    ui->fake.answers = {true};
    EXPECT_THROW(Run({Path("missing.txt"), Path("big.bin")}), JobExit);
    EXPECT_EQ(ui->fake.Texts(), (std::vector<std::string>{kCancelQuestion, NotDoneListText({NotFoundText(
                                                                               Path("missing.txt"))})}));
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
    ASSERT_EQ(Run({Path("small.txt"), Path("big.bin")}), kExitIncomplete);
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


// The header stores each flag setting, and the entries follow the header
// byte: whatever the settings hold, the archive reads back. A value beyond
// the switch's 0..1 (a hand-edited store) is read as the default, 1, and
// named.
TEST_F(EncryptJobFixture, HeaderFlagsAndEntriesAgreeForEverySettingValue) {
    folder.Write("a.txt", test::Span("alpha"));
    struct Case {
        std::uint32_t encheaders, hashpasskey;
        std::uint8_t headerByte2, headerByte3;
    };
    for (const Case c : {Case{257, 257, 1, 1}, Case{256, 2, 1, 1}, Case{0, 0, 0, 0}, Case{513, 0, 1, 0}}) {
        settings->Write(kEncHeaders.name, c.encheaders);
        settings->Write(kHashPasskey.name, c.hashpasskey);
        settings->Write(kOverwrite.name, 1);
        ASSERT_EQ(Run({Path("a.txt")}), kExitDone);
        const Bytes bytes = folder.Read("a.pvb");
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(bytes[2], c.headerByte2) << c.encheaders;
        EXPECT_EQ(bytes[3], c.headerByte3) << c.hashpasskey;
        const auto entries = Entries(Path("a.pvb"));
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].data, test::Span("alpha")) << c.encheaders << " " << c.hashpasskey;
    }
    static std::vector<std::string> warnings;
    SetSettingWarning([](const std::string& text) { warnings.push_back(text); });
    settings->Write(kEncHeaders.name, 256);
    ASSERT_EQ(Run({Path("a.txt")}), kExitDone);
    SetSettingWarning(nullptr);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "encheaders=256 in " + settings->Location() +
                               " is not a whole number from 0 to 1; the default 1 is used instead");
}

// An entry that would be refused (a passkey too short for the cipher when
// the stored hashing byte is not 1) is refused before anything is written:
// by the dialog, and by the job when the setting changed after the dialog.
TEST_F(EncryptJobFixture, APasskeyTooShortForTheStoredHashingByteWritesNoEntry) {
    folder.Write("a.txt", test::Span("alpha"));
    folder.Write("b.txt", test::Span("bravo"));
    settings->Write(kHashPasskey.name, 0);
    ui->algorithm = 2;  // DES reads 8 bytes
    ui->passkey = "abc";
    ui->deleteSources = true;
    EXPECT_EQ(Run({Path("a.txt"), Path("b.txt")}), kExitDone);
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{"DES requires a passkey of at least 8 characters"});
    EXPECT_FALSE(fs::exists(Path("a.pvb")));

    ui->fake.shown.clear();
    settings->Write(kHashPasskey.name, 1);
    ui->afterOk = [&] { settings->Write(kHashPasskey.name, 0); };
    EXPECT_EQ(Run({Path("a.txt"), Path("b.txt")}), kExitIncomplete);
    EXPECT_FALSE(fs::exists(Path("a.pvb")));
    EXPECT_EQ(folder.Read("a.txt"), test::Span("alpha"));
    EXPECT_EQ(folder.Read("b.txt"), test::Span("bravo"));
}

#if !defined(_WIN32)
// Names the reader would refuse or change (a ':' or a '\' in a Linux name)
// are refused when encrypting and their files are never wiped.
TEST_F(EncryptJobFixture, NamesThatCouldNotComeBackAreNeitherStoredNorWiped) {
    fs::create_directories(folder.path() / "photos");
    folder.Write("photos/shot 12:30:00.png", test::Span("picture"));
    folder.Write("photos/fine.png", test::Span("fine"));
    folder.Write("trail\\", test::Span("trailing"));
    ui->deleteSources = true;
    EXPECT_EQ(Run({Path("photos"), Path("trail\\")}), kExitIncomplete);
    EXPECT_EQ(folder.Read("photos/shot 12:30:00.png"), test::Span("picture"));
    EXPECT_EQ(folder.Read("trail\\"), test::Span("trailing"));
    EXPECT_FALSE(fs::exists(Path("photos/fine.png")));
    EXPECT_EQ(ui->fake.Texts(), (std::vector<std::string>{NameCannotComeBackText(Path("photos/shot 12:30:00.png")),
                                                          NameCannotComeBackText(Path("trail\\"))}));
    const auto entries = Entries(Path("photos.pvb"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "photos\\fine.png");
}
#endif

// A source that changes while its entry is written is not wiped.
TEST_F(EncryptJobFixture, ASourceThatGrewWhileItWasStoredIsKept) {
    folder.Write("growing.log", test::TestBytes(50000, 4));
    ui->deleteSources = true;
    bool appended = false;
    view.onPump = [&] {
        if (appended) return;
        appended = true;
        std::ofstream(Path("growing.log"), std::ios::app | std::ios::binary) << "one more line\n";
    };
    EXPECT_EQ(Run({Path("growing.log")}), kExitIncomplete);
    EXPECT_TRUE(appended);
    EXPECT_EQ(folder.Read("growing.log").size(), 50000u + 14u);
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{ChangedWhileStoredText(Path("growing.log"))});
}

// The progress window is kept alive while a source is wiped, and a Cancel
// pressed meanwhile is asked between files: the next file is neither stored
// nor wiped.
TEST_F(EncryptJobFixture, ACancelDuringASourceWipeIsAskedBeforeTheNextFile) {
    folder.Write("first.bin", test::TestBytes(2 << 20, 5));
    folder.Write("second.bin", test::Span("second"));
    ui->deleteSources = true;
    int pumpsWhileWiping = 0;
    view.onPump = [&] {
        if (view.statuses.empty() || view.statuses.back().rfind("Deleting file... Pass", 0) != 0) return;
        if (pumpsWhileWiping++ == 0) view.cancelOnNextPump = true;
    };
    ui->fake.answers = {true};
    try {
        Run({Path("first.bin"), Path("second.bin")});
        FAIL() << "no exit";
    } catch (const JobExit& exit) {
        EXPECT_EQ(exit.status(), kExitCancelled);
    }
    EXPECT_GT(pumpsWhileWiping, 3);
    EXPECT_FALSE(fs::exists(Path("first.bin")));  // its wipe ran to the end
    EXPECT_EQ(folder.Read("second.bin"), test::Span("second"));
    EXPECT_EQ(ui->fake.shown.back().text, "Are you sure you want to Cancel?");
}

// Two jobs in one folder never share an archive: the name chosen before the
// dialog gives way to a free one when another job took it meanwhile, and a
// link of that name is never written through.
TEST_F(EncryptJobFixture, TheArchiveIsCreatedExclusivelyAndHeld) {
    folder.Write("report.txt", test::Span("report"));
    const std::vector<std::string> sources = {Path("report.txt")};
    platform::FileError error = platform::FileError::None;
    auto first = ArchiveFile::Create(Path("report.pvb"), Path("report.txt"), false, sources, error);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->path(), Path("report.pvb"));
    auto second = ArchiveFile::Create(Path("report.pvb"), Path("report.txt"), false, sources, error);
    ASSERT_TRUE(second);
    EXPECT_NE(second->path(), Path("report.pvb"));
    EXPECT_EQ(second->path().rfind(Path("report"), 0), 0u);
    EXPECT_EQ(first->file().Write("kept", 4), 4);
    EXPECT_TRUE(first->Finish(true));
    EXPECT_EQ(folder.Read("report.pvb"), test::Span("kept"));
#if !defined(_WIN32)
    test::TempFolder outside;
    outside.Write("victim", test::Span("not an archive"));
    fs::create_symlink(outside.path() / "victim", Path("linked.pvb"));
    auto linked = ArchiveFile::Create(Path("linked.pvb"), Path("linked.txt"), true, sources, error);
    ASSERT_TRUE(linked);
    EXPECT_NE(linked->path(), Path("linked.pvb"));
    EXPECT_EQ(outside.Read("victim"), test::Span("not an archive"));
#endif
}

// With overwrite on, an existing archive is replaced only by a finished one,
// only if it is still the file that was there, and never written through (a
// hard link planted at its name keeps its data).
TEST_F(EncryptJobFixture, OverwriteReplacesOnlyWhenFinishedAndUnchanged) {
    const std::vector<std::string> sources;
    folder.Write("old.pvb", test::Span("old archive"));
    fs::create_hard_link(Path("old.pvb"), Path("elsewhere"));
    platform::FileError error = platform::FileError::None;
    {
        auto cancelled = ArchiveFile::Create(Path("old.pvb"), Path("old.txt"), true, sources, error);
        ASSERT_TRUE(cancelled);
        EXPECT_EQ(cancelled->file().Write("partial", 7), 7);
    }  // a cancel: the old archive stays, the partial one keeps a name of its own
    EXPECT_EQ(folder.Read("old.pvb"), test::Span("old archive"));
    auto replacing = ArchiveFile::Create(Path("old.pvb"), Path("old.txt"), true, sources, error);
    ASSERT_TRUE(replacing);
    EXPECT_EQ(replacing->file().Write("new", 3), 3);
    EXPECT_TRUE(replacing->Finish(true));
    EXPECT_EQ(folder.Read("old.pvb"), test::Span("new"));
    EXPECT_EQ(folder.Read("elsewhere"), test::Span("old archive"));
    // Another job's archive written meanwhile is not replaced.
    auto late = ArchiveFile::Create(Path("old.pvb"), Path("old.txt"), true, sources, error);
    ASSERT_TRUE(late);
    folder.Write("other.pvb", test::Span("another job's archive"));
    fs::rename(Path("other.pvb"), Path("old.pvb"));
    EXPECT_EQ(late->file().Write("late", 4), 4);
    EXPECT_FALSE(late->Finish(true));
    EXPECT_EQ(folder.Read("old.pvb"), test::Span("another job's archive"));
    EXPECT_EQ(test::Span("late"), folder.Read(fs::path(late->path()).filename().string()));
}

// Two sources that would be stored under one name: the second is refused and
// kept, since restoring it would replace the first.
TEST_F(EncryptJobFixture, ASecondSourceOfTheSameStoredNameIsKept) {
    fs::create_directories(folder.path() / "a");
    fs::create_directories(folder.path() / "b");
    folder.Write("a/f.txt", test::Span("first"));
    folder.Write("b/f.txt", test::Span("second"));
    ui->deleteSources = true;
    EXPECT_EQ(Run({Path("a/f.txt"), Path("b/f.txt")}), kExitIncomplete);
    EXPECT_FALSE(fs::exists(Path("a/f.txt")));
    EXPECT_EQ(folder.Read("b/f.txt"), test::Span("second"));
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{DuplicateNameText(Path("b/f.txt"), "f.txt")});
    ASSERT_EQ(Entries(Path("a/f.pvb")).size(), 1u);
    // Nothing named exists any more: no archive is made at all.
    ui->fake.shown.clear();
    settings->Write(kOverwrite.name, 1);
    EXPECT_EQ(Run({Path("a/f.txt")}), kExitIncomplete);
    EXPECT_EQ(Entries(Path("a/f.pvb")).size(), 1u);  // the archive holding it is untouched
}

// Paths longer than the old 260-character limit are walked, stored and
// wiped like any other (Windows: the long-path form of every file call).
TEST_F(EncryptJobFixture, DeepFoldersBeyondTheOldPathLimitAreStoredAndWiped) {
    const std::string component(60, 'd');
    std::string path = Path("Deep");
    std::string stored = "Deep";
    ASSERT_TRUE(platform::CreateFolder(path));
    for (int level = 0; level < 5; ++level) {
        path += platform::kHostSeparator + component;
        stored += "\\" + component;
        ASSERT_TRUE(platform::CreateFolder(path)) << path.size();
    }
    path += platform::kHostSeparator + std::string("file.txt");
    stored += "\\file.txt";
    ASSERT_GT(path.size(), 300u);
    {
        platform::OpenOptions create;
        create.write = true;
        create.create = true;
        platform::File file = platform::File::Open(path, create);
        ASSERT_TRUE(file.IsOpen()) << platform::LastFailureText();
        ASSERT_EQ(file.Write("deep", 4), 4);
    }
    ui->deleteSources = true;
    EXPECT_EQ(Run({Path("Deep")}), kExitDone);
    EXPECT_TRUE(ui->fake.shown.empty()) << ui->fake.shown.front().text;
    EXPECT_FALSE(fs::exists(Path("Deep")));
    const auto entries = Entries(Path("Deep.pvb"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, stored);
    EXPECT_EQ(entries[0].data, test::Span("deep"));
}

// Classic archives keep names in a code page (Windows-1252 here, as on
// Linux and a Western Windows): a name it holds is stored in it and comes
// back as it went; a file whose name it cannot hold is named in a message,
// never passed over silently, and stays, with its folder; a folder of such a
// name is named once.
TEST_F(EncryptJobFixture, ClassicNamesAreStoredInTheCodePageAndOthersAreNamedAndKept) {
    const test::ClassicCodePageScope western(1252);
    const fs::path work = folder.path() / "Work";
    const fs::path greek = work / fs::path(u8"\u03a9\u03bc\u03ad\u03b3\u03b1");
    fs::create_directories(greek);
    std::ofstream(greek / "inside.txt", std::ios::binary) << "inside";
    const fs::path foreign = work / fs::path(u8"\u65e5\u672c.txt");
    std::ofstream(foreign, std::ios::binary) << "foreign";
    std::ofstream(work / fs::path(u8"caf\u00e9 \u20ac.txt"), std::ios::binary) << "western";
    ui->deleteSources = true;
    EXPECT_EQ(Run({Path("Work")}), kExitIncomplete);
    EXPECT_TRUE(fs::exists(foreign));
    EXPECT_TRUE(fs::exists(greek / "inside.txt"));
    EXPECT_FALSE(fs::exists(work / fs::path(u8"caf\u00e9 \u20ac.txt")));
    const auto entries = Entries(Path("Work.pvb"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Work\\caf\xc3\xa9 \xe2\x82\xac.txt");
    const std::string inWork = Path("Work") + platform::kHostSeparator;
    std::set<std::string> shown;
    for (const auto& message : ui->fake.shown) shown.insert(message.text);
    EXPECT_EQ(shown, (std::set<std::string>{
                         NameOutsideCodePageText(inWork + "\xe6\x97\xa5\xe6\x9c\xac.txt", 1252),
                         NameOutsideCodePageText(inWork + "\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1", 1252)}));
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
