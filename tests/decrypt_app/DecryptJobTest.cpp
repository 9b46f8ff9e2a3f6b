#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <utility>

#include "TestHex.h"
#include "app_common/ForwardingUi.h"
#include "app_common/JobExit.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/OldArchiveBytes.h"
#include "archive/ReaderMessages.h"
#include "app_common/OpenError.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "wipe/ProgramWipes.h"
#include "decrypt_app/DecryptJob.h"
#include "decrypt_app/DecryptSettings.h"
#include "support/TempFolder.h"
#include "support/TestSettings.h"
#include "support/TestVolume.h"

namespace pelorin::decrypt {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

class ScriptedUi : public ForwardingUi<DecryptUi> {
public:
    ScriptedUi(platform::SettingsStore& settings, const test::TempFolder& folder)
        : ForwardingUi(fake), settings_(settings), folder_(folder) {}
    bool RunDecryptDialog(DecryptDialogModel& model) override {
        verifyOffered = model.verify;
        for (const auto& typed : passkeys) {
            model.passkey = typed;
            model.decryptAll = decryptAll;
            model.deleteSources = deleteSources;
            if (model.ValidateOk(*this, settings_)) return true;
        }
        return false;  // the user gave up: Cancel
    }
    bool RunChooseFiles(const std::string&, const std::vector<std::string>& names,
                        std::vector<std::string>& chosen) override {
        offered.push_back(names);
        // Nothing may be restored before every archive was scanned.
        outputsWhileChoosing += static_cast<int>(fs::exists(folder_.path() / "a.txt"));
        if (choiceIndex < choices.size()) chosen = choices[choiceIndex++];
        return !cancelChoose;
    }
    bool RunImportOptions(const std::string&, int& algorithm, std::int64_t& padding) override {
        if (importCancel) return false;
        algorithm = importAlgorithm;
        padding = importPadding;
        return true;
    }

    test::FakeUi fake;
    std::vector<std::string> passkeys = {"passkey-0123456789"};
    bool decryptAll = true;
    bool deleteSources = false;
    bool verifyOffered = false;
    std::vector<std::vector<std::string>> offered;
    std::vector<std::vector<std::string>> choices;
    std::size_t choiceIndex = 0;
    bool cancelChoose = false;
    int outputsWhileChoosing = 0;
    bool importCancel = false;
    int importAlgorithm = 0;
    std::int64_t importPadding = 0;

private:
    platform::SettingsStore& settings_;
    const test::TempFolder& folder_;
};

struct DecryptJobFixture : ::testing::Test {
    test::TempFolder folder;
    test::TestSettings testSettings;
    platform::SettingsStore* settings = &testSettings.store();
    std::unique_ptr<ScriptedUi> ui = std::make_unique<ScriptedUi>(*settings, folder);
    test::FakeProgressView view;
    std::string Archive(const std::string& name, const std::vector<test::TestEntry>& entries,
                        const std::string& passkey = "passkey-0123456789") {
        test::ArchiveOptions options;
        options.passkey = passkey;
        folder.Write(name, test::WriteTestArchive(entries, options));
        return folder.Path(name);
    }
    int Run(const std::vector<std::string>& archives, bool import = false) {
        return RunDecryptJob(archives, import, *ui, view, *settings);
    }
};

TEST(DecryptCommandLineTest, ImportSwitchAndTheIgnoredE) {
    const auto line = ParseDecryptCommandLine({"-E", "-I", "x.pvb", "-z"});
    EXPECT_TRUE(line.importMode);
    EXPECT_EQ(line.parameters, (std::vector<std::string>{"x.pvb", "z"}));
    EXPECT_EQ(line.firstFileName, "x.pvb");
}

TEST_F(DecryptJobFixture, WrongThenRightPasskeyRestoresEverything) {
    const auto path = Archive("x.pvb", {{"a.txt", test::Span("alpha")}, {"Sub\\b.txt", test::Span("bravo")}});
    ui->passkeys = {"wrong passkey", "passkey-0123456789"};
    EXPECT_EQ(Run({path}), kExitDone);
    EXPECT_TRUE(ui->verifyOffered);
    ASSERT_FALSE(ui->fake.shown.empty());
    EXPECT_EQ(ui->fake.shown[0].text, "Incorrect Passkey");
    EXPECT_EQ(folder.Read("a.txt"), test::Span("alpha"));
    EXPECT_EQ(folder.Read("Sub/b.txt"), test::Span("bravo"));
}

TEST_F(DecryptJobFixture, TwoArchivesAreScannedBeforeAnythingIsRestored) {
    const auto first = Archive("one.pvb", {{"z.txt", test::Span("z")}, {"a.txt", test::Span("a")}});
    const auto second = Archive("two.pvb", {{"m.txt", test::Span("m")}});
    ui->decryptAll = false;
    ui->choices = {{"a.txt"}, {}};
    EXPECT_EQ(Run({first, second}), kExitDone);
    ASSERT_EQ(ui->offered.size(), 2u);
    EXPECT_EQ(ui->offered[0], (std::vector<std::string>{"z.txt", "a.txt"}));
    EXPECT_EQ(ui->outputsWhileChoosing, 0);
    EXPECT_EQ(view.closes, 3);  // a window for each scan, then one for decrypting
    EXPECT_TRUE(fs::exists(folder.Path("a.txt")));
    EXPECT_FALSE(fs::exists(folder.Path("z.txt")));
    EXPECT_FALSE(fs::exists(folder.Path("m.txt")));
}

// Entries left out by the user's choice would be lost with the archive: it
// is wiped only when the question for it is answered Yes.
TEST_F(DecryptJobFixture, EntriesNotChosenAreAskedAboutBeforeTheArchiveIsWiped) {
    const auto path = Archive("x.pvb", {{"a.txt", test::Span("a")}, {"b.txt", test::Span("b")}, {"c.txt", test::Span("c")}});
    ui->decryptAll = false;
    ui->deleteSources = true;
    ui->choices = {{"b.txt"}, {}};
    ui->fake.answers = {false};
    EXPECT_EQ(Run({path}), kExitIncomplete);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{LeftOutQuestionText(path, 2)});
    EXPECT_EQ(ui->fake.shown.back().text, std::to_string(2) + " entries of " + path +
                                              " were not restored and would be lost. Delete the archive anyway?");
    // Nothing chosen: all three would go; Yes wipes it.
    ui->fake.shown.clear();
    ui->fake.answers = {true};
    EXPECT_EQ(Run({path}), kExitDone);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{LeftOutQuestionText(path, 3)});
}

TEST_F(DecryptJobFixture, CancelInAChooseFilesDialogRestoresNothing) {
    const auto path = Archive("x.pvb", {{"a.txt", test::Span("a")}});
    ui->decryptAll = false;
    ui->cancelChoose = true;
    ui->deleteSources = true;
    EXPECT_EQ(Run({path}), kExitDone);
    EXPECT_FALSE(fs::exists(folder.Path("a.txt")));
    EXPECT_TRUE(fs::exists(path));
}

TEST_F(DecryptJobFixture, NamesLeavingTheArchivesFolderAreNeitherOfferedNorWritten) {
    test::TempFolder outer;
    const auto inner = outer.path() / "inner";
    fs::create_directories(inner);
    test::ArchiveOptions options;
    options.passkey = "passkey-0123456789";
    const auto path = (inner / "x.pvb").string();
    outer.Write((fs::path("inner") / "x.pvb").string(), test::WriteTestArchive({{"..\\escaped.txt", test::Span("out")},
                                                               {"C:\\rooted.txt", test::Span("root")},
                                                               {"ok.txt", test::Span("fine")}},
                                                              options));
    ui->decryptAll = false;
    ui->choices = {{"ok.txt"}};
    EXPECT_EQ(Run({path}), kExitIncomplete);
    ASSERT_EQ(ui->offered.size(), 1u);
    EXPECT_EQ(ui->offered[0], std::vector<std::string>{"ok.txt"});
    ui->decryptAll = true;
    EXPECT_EQ(Run({path}), kExitIncomplete);
    EXPECT_TRUE(fs::exists(inner / "ok.txt"));
    EXPECT_FALSE(fs::exists(outer.path() / "escaped.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(inner), fs::directory_iterator()), 2);  // x.pvb, ok.txt
}

// Two entries of one name are restored in archive order, the second over the
// first; the first is then only in the archive, which is therefore kept.
TEST_F(DecryptJobFixture, DuplicateNamesAreRestoredInArchiveOrderAndKeepTheArchive) {
    const auto path = Archive("x.pvb", {{"same.txt", test::Span("first")}, {"same.txt", test::Span("second")}});
    ui->deleteSources = true;
    EXPECT_EQ(Run({path}), kExitIncomplete);
    EXPECT_EQ(folder.Read("same.txt"), test::Span("second"));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{archive::ReplacedEarlierText(path, "same.txt")});
}

TEST_F(DecryptJobFixture, AnArchiveUnderAnotherPasskeyIsNeitherRestoredNorWiped) {
    const auto first = Archive("one.pvb", {{"a.txt", test::Span("a")}});
    const auto other = Archive("two.pvb", {{"b.txt", test::Span("b")}}, "a different passkey");
    folder.Write("b.txt", test::Span("keep me"));
    ui->deleteSources = true;
    EXPECT_EQ(Run({first, other}), kExitIncomplete);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_EQ(folder.Read("b.txt"), test::Span("keep me"));
    ASSERT_FALSE(ui->fake.shown.empty());
    EXPECT_EQ(ui->fake.shown.back().text, WrongPasskeyText(other));
}

TEST_F(DecryptJobFixture, ATruncatedEntryKeepsWhatWasReadBesideTheFileItWouldReplace) {
    const auto data = test::TestBytes(30000, 1);
    const auto full = test::WriteTestArchive({{"big.bin", data}}, {});
    folder.Write("x.pvb", Bytes(full.begin(), full.begin() + 5000));
    folder.Write("big.bin", test::Span("precious"));
    ui->deleteSources = true;
    EXPECT_EQ(Run({folder.Path("x.pvb")}), kExitIncomplete);
    EXPECT_TRUE(fs::exists(folder.Path("x.pvb")));
    EXPECT_EQ(folder.Read("big.bin"), test::Span("precious"));
    const auto salvaged = folder.Read("big.bin.incomplete");
    EXPECT_FALSE(salvaged.empty());
    EXPECT_TRUE(std::equal(salvaged.begin(), salvaged.end(), data.begin()));
    EXPECT_EQ(ui->fake.shown.back().text,
              archive::IncompleteEntryText(folder.Path("x.pvb"), "big.bin", folder.Path("big.bin"),
                                           folder.Path("big.bin.incomplete"), true));
}

// Without a check value any passkey is accepted, so a restore never
// replaces a file (a wrong passkey would put garbage in its place) and the
// archive is wiped only when the user confirms it for that archive.
TEST_F(DecryptJobFixture, Version3ArchivesAcceptAnyPasskeyButNeverReplaceAFile) {
    const Bytes data = test::TestBytes(21, 9);
    folder.Write("old.pvb", test::old_archive::Version3DesArchive("old.doc", data, "eightkey"));
    folder.Write("old.doc", test::Span("the user's own"));
    ui->passkeys = {"anything"};  // accepted: there is no check value to compare
    ui->deleteSources = true;
    ui->fake.answers = {false};
    EXPECT_EQ(Run({folder.Path("old.pvb")}), kExitIncomplete);
    EXPECT_FALSE(ui->verifyOffered);
    EXPECT_EQ(folder.Read("old.doc"), test::Span("the user's own"));
    EXPECT_TRUE(fs::exists(folder.Path("old.pvb")));
    ASSERT_EQ(ui->fake.shown.size(), 2u);
    const std::string& told = ui->fake.shown[0].text;
    const std::size_t at = told.find(" was restored as ");
    ASSERT_NE(at, std::string::npos) << told;
    const std::string beside = told.substr(at + 17, told.find(',', at) - at - 17);
    EXPECT_EQ(told, archive::RestoredBesideText(folder.Path("old.pvb"), "old.doc", folder.Path("old.doc"), beside));
    EXPECT_NE(folder.Read(fs::path(beside).filename().string()), data);  // the wrong passkey gives unreadable output
    EXPECT_EQ(ui->fake.shown[1].text, UncheckedWipeQuestionText(folder.Path("old.pvb")));

    fs::remove(beside);
    ui->passkeys = {"eightkey"};
    ui->fake.answers = {true};
    EXPECT_EQ(Run({folder.Path("old.pvb")}), kExitDone);
    EXPECT_FALSE(fs::exists(folder.Path("old.pvb")));
    EXPECT_EQ(folder.Read("old.doc"), test::Span("the user's own"));
    std::vector<Bytes> restored;
    for (const auto& entry : fs::directory_iterator(folder.path())) restored.push_back(folder.Read(entry.path().filename().string()));
    EXPECT_EQ(restored.size(), 2u);
    EXPECT_NE(std::find(restored.begin(), restored.end(), data), restored.end());
}

// An archive that changes while it is restored, or whose name is given to
// another file meanwhile, is not wiped: only the file that was read, as it
// was read, ever is.
TEST_F(DecryptJobFixture, AnArchiveChangedOrReplacedWhileRestoredIsNotWiped) {
    if (platform::kHostSeparator == '\\') GTEST_SKIP() << "the reading handle shares no writing on Windows";
    const auto data = test::TestBytes(300000, 2);
    const auto path = Archive("x.pvb", {{"big.bin", data}});
    const Bytes appended = test::WriteTestArchive({{"later.txt", test::Span("appended")}}, {});
    ui->deleteSources = true;
    bool once = false;
    view.onPump = [&] {
        if (std::exchange(once, true)) return;
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out.write(reinterpret_cast<const char*>(appended.data()) + 156, static_cast<std::streamsize>(appended.size() - 156));
    };
    EXPECT_EQ(Run({path}), kExitIncomplete);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(folder.Read("big.bin"), data);
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{wipe::ChangedWhileReadText(path)});

    fs::remove(path);
    const auto second = Archive("y.pvb", {{"big2.bin", data}});
    folder.Write("mine.txt", test::Span("someone else's file"));
    ui->fake.shown.clear();
    once = false;
    view.onPump = [&] {
        if (!std::exchange(once, true)) fs::rename(folder.path() / "mine.txt", second);
    };
    EXPECT_EQ(Run({second}), kExitIncomplete);
    EXPECT_EQ(folder.Read("y.pvb"), test::Span("someone else's file"));
    EXPECT_EQ(folder.Read("big2.bin"), data);
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{wipe::NoLongerNamedText(second, true)});
}

TEST_F(DecryptJobFixture, AHeaderWarningAnsweredNoEndsWithTwo) {
    Bytes newer(156, 0);
    newer[0] = 9;
    folder.Write("new.pvb", newer);
    ui->fake.answers = {false};
    try {
        Run({folder.Path("new.pvb")});
        FAIL() << "no exit";
    } catch (const JobExit& exit) {
        EXPECT_EQ(exit.status(), 2);
    }
}

TEST_F(DecryptJobFixture, AMissingArchiveEndsWithOne) {
    try {
        Run({folder.Path("missing.pvb")});
        FAIL() << "no exit";
    } catch (const JobExit& exit) {
        EXPECT_EQ(exit.status(), 1);
    }
}

TEST_F(DecryptJobFixture, ImportRestoresDefaultOutputAndCancelEndsWithThree) {
    Bytes plain = test::TestBytes(16, 3);
    Bytes enciphered = plain;
    MakeGroupCipher(0, test::Span("k"))->Encrypt(enciphered);
    folder.Write("in.enc", enciphered);
    ui->passkeys = {"k"};
    EXPECT_EQ(Run({folder.Path("in.enc")}, true), kExitDone);
    EXPECT_FALSE(ui->verifyOffered);
    EXPECT_EQ(folder.Read("default output.txt"), plain);
    ui->importCancel = true;
    EXPECT_EQ(Run({folder.Path("in.enc")}, true), kExitImportCancelled);
}


// An archive is wiped only when every entry came back or was left out by the
// user's own choice: entries refused for their names keep it, in both
// passes, and each pass names them.
TEST_F(DecryptJobFixture, RefusedEntriesKeepTheArchive) {
    const auto path = Archive("x.pvb", {{"good.txt", test::Span("good")}, {"..\\evil.txt", test::Span("evil")}});
    ui->deleteSources = true;
    EXPECT_EQ(Run({path}), kExitIncomplete);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(folder.Read("good.txt"), test::Span("good"));
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{archive::RefusedNameText(path, "..\\evil.txt")});

    ui->fake.shown.clear();
    ui->decryptAll = false;
    ui->choices = {{"good.txt"}};
    EXPECT_EQ(Run({path}), kExitIncomplete);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(ui->offered, std::vector<std::vector<std::string>>{{"good.txt"}});
    EXPECT_EQ(ui->fake.Texts(), (std::vector<std::string>{archive::NotOfferedNameText(path, "..\\evil.txt"),
                                                          archive::RefusedNameText(path, "..\\evil.txt")}));
}

// The scanning pass compares each archive's check value before it reads any
// name: an archive under another passkey gets no Choose Files dialog and no
// "damaged" message, only "Incorrect Passkey", once.
TEST_F(DecryptJobFixture, TheScanningPassChecksEachArchivesPasskeyFirst) {
    const auto first = Archive("one.pvb", {{"a.txt", test::Span("a")}});
    const auto other = Archive("two.pvb", {{"b.txt", test::Span("b")}}, "a different passkey");
    ui->decryptAll = false;
    ui->choices = {{"a.txt"}};
    EXPECT_EQ(Run({first, other}), kExitIncomplete);
    EXPECT_EQ(ui->offered, std::vector<std::vector<std::string>>{{"a.txt"}});
    EXPECT_EQ(ui->fake.Texts(), std::vector<std::string>{WrongPasskeyText(other)});
    EXPECT_FALSE(fs::exists(folder.Path("b.txt")));
}

// No output is opened on one of the job's archives, whatever the entry's
// name: the archive being read and a later one stay whole.
TEST_F(DecryptJobFixture, EntriesNamedLikeTheJobsArchivesAreSkipped) {
    const auto later = Archive("later.pvb", {{"c.txt", test::Span("c")}});
    const auto path = Archive("x.pvb", {{"x.pvb", test::Span("over itself")},
                                        {"later.pvb", test::Span("over the next")},
                                        {"b.txt", test::Span("b")}});
    const Bytes laterBytes = folder.Read("later.pvb");
    EXPECT_EQ(Run({path, later}), kExitIncomplete);
    EXPECT_EQ(folder.Read("b.txt"), test::Span("b"));
    EXPECT_EQ(folder.Read("c.txt"), test::Span("c"));
    EXPECT_EQ(folder.Read("later.pvb"), laterBytes);
    EXPECT_EQ(ui->fake.Texts(), (std::vector<std::string>{archive::ProtectedOutputText(path, "x.pvb"),
                                                          archive::ProtectedOutputText(path, "later.pvb")}));
}

// An archive that another program of the suite still holds (an encryption
// writing it) is refused, never read half-written nor wiped.
TEST_F(DecryptJobFixture, AnArchiveStillBeingWrittenIsRefused) {
    const auto path = Archive("x.pvb", {{"a.txt", test::Span("a")}});
    platform::OpenOptions writing;
    writing.write = true;
    writing.lock = platform::FileLock::Exclusive;
    platform::File writer = platform::File::Open(path, writing);
    ASSERT_TRUE(writer.IsOpen());
    ui->deleteSources = true;
    try {
        Run({path});
        FAIL() << "no exit";
    } catch (const JobExit& exit) {
        EXPECT_EQ(exit.status(), 1);
    }
    EXPECT_EQ(ui->fake.shown.back().text, OpenErrorText(platform::FileError::InUse, path));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(fs::exists(folder.Path("a.txt")));
}

// A full volume during a restore is seen: the entry is reported with the
// system's reason, what was written is kept beside the target, the archive
// stays, and the job's status says so.
TEST_F(DecryptJobFixture, AFullVolumeDuringARestoreIsReportedOnTestVolume) {
    const char* volume = test::TestVolume();
    if (volume == nullptr) GTEST_SKIP() << "PELORIN_TEST_VOLUME names no test volume";
    const fs::path work = fs::path(volume) / ("restore-" + std::to_string(std::random_device{}()));
    fs::create_directories(work);
    struct Cleanup {
        fs::path path;
        ~Cleanup() { fs::remove_all(path); }
    } cleanup{work};
    test::ArchiveOptions options;
    options.passkey = "passkey-0123456789";
    const Bytes data = test::TestBytes(3000000, 6);
    const Bytes archive = test::WriteTestArchive({{"big.bin", data}}, options);
    {
        std::ofstream out(work / "x.pvb", std::ios::binary);
        out.write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    }
    // Leaves about 400 KB free: only on a small volume of the tests' own.
    const auto free = fs::space(work).available;
    if (free > (64u << 20)) GTEST_SKIP() << volume << " is not a small test volume";
    ASSERT_GT(free, 400000u);
    {
        std::ofstream filler(work / "filler", std::ios::binary);
        const std::vector<char> block(1 << 16, 'f');
        for (std::uintmax_t left = free - 400000; left > 0;) {
            const auto n = std::min<std::uintmax_t>(left, block.size());
            filler.write(block.data(), static_cast<std::streamsize>(n));
            left -= n;
        }
    }
    ui->deleteSources = true;
    const std::string path = (work / "x.pvb").string();
    EXPECT_EQ(Run({path}), kExitIncomplete);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(fs::exists(work / "big.bin"));
    ASSERT_FALSE(ui->fake.shown.empty());
    const std::string& text = ui->fake.shown.back().text;
    EXPECT_NE(text.find("could not be written to " + (work / "big.bin").string() + ": "), std::string::npos)
        << ::testing::PrintToString(ui->fake.Texts());
    EXPECT_EQ(text.find(": ."), std::string::npos) << text;  // a reason is given
}

// Import cannot check the passkey: its inputs are never wiped, and no
// output replaces a file, neither one from before the run nor another
// input's; the user is told where each went.
TEST_F(DecryptJobFixture, ImportKeepsItsInputsAndEveryFile) {
    Bytes first = test::TestBytes(16, 3), second = test::TestBytes(24, 4);
    Bytes one = first, two = second;
    MakeGroupCipher(0, test::Span("k"))->Encrypt(one);
    MakeGroupCipher(0, test::Span("k"))->Encrypt(two);
    folder.Write("one.enc", one);
    folder.Write("two.enc", two);
    folder.Write("default output.txt", test::Span("from an earlier run"));
    ui->passkeys = {"k"};
    ui->deleteSources = true;
    EXPECT_EQ(Run({folder.Path("one.enc"), folder.Path("two.enc")}, true), kExitDone);
    EXPECT_EQ(folder.Read("one.enc"), one);
    EXPECT_EQ(folder.Read("two.enc"), two);
    EXPECT_EQ(folder.Read("default output.txt"), test::Span("from an earlier run"));
    std::vector<Bytes> numbered;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        const std::string name = entry.path().filename().string();
        if (name != "default output.txt" && name.rfind("default output", 0) == 0) numbered.push_back(folder.Read(name));
    }
    ASSERT_EQ(numbered.size(), 2u);
    EXPECT_TRUE(numbered[0] == first ? numbered[1] == second : numbered[0] == second && numbered[1] == first);
    EXPECT_EQ(ui->fake.shown.size(), 2u);
}

TEST_F(DecryptJobFixture, TheRetainedDeleteChoice) {
    const auto path = Archive("x.pvb", {{"a.txt", test::Span("a")}});
    settings->Write(kStickDel.name, 1);
    ui->deleteSources = true;
    EXPECT_EQ(Run({path}), kExitDone);
    EXPECT_EQ(settings->Read(kActualDel.name), std::optional<std::uint32_t>(1));
    DecryptOptionsModel options;
    options.Load(*settings);
    EXPECT_TRUE(options.retain);
    options.retain = false;
    options.RetainToggled(*settings);  // then Cancel
    EXPECT_EQ(settings->Read(kActualDel.name), std::optional<std::uint32_t>(0));
}

}  // namespace
}  // namespace pelorin::decrypt
