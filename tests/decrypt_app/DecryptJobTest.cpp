#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "TestHex.h"
#include "app_common/JobExit.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/OldArchiveBytes.h"
#include "decrypt_app/DecryptJob.h"
#include "decrypt_app/DecryptSettings.h"
#include "support/TempFolder.h"
#include "support/TestSettings.h"

namespace pelorin::decrypt {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

class ScriptedUi : public DecryptUi {
public:
    ScriptedUi(platform::SettingsStore& settings, const test::TempFolder& folder) : settings_(settings), folder_(folder) {}
    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        fake.ShowMessage(text, caption, icon);
    }
    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        return fake.AskYesNo(text, caption, icon);
    }
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

TEST_F(DecryptJobFixture, NothingChosenStillWipesAnArchiveReadCompletely) {
    const auto path = Archive("x.pvb", {{"a.txt", test::Span("a")}});
    ui->decryptAll = false;
    ui->deleteSources = true;
    ui->choices = {{}};
    EXPECT_EQ(Run({path}), kExitDone);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(folder.Path("a.txt")));
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
    EXPECT_EQ(Run({path}), kExitDone);
    ASSERT_EQ(ui->offered.size(), 1u);
    EXPECT_EQ(ui->offered[0], std::vector<std::string>{"ok.txt"});
    ui->decryptAll = true;
    EXPECT_EQ(Run({path}), kExitDone);
    EXPECT_TRUE(fs::exists(inner / "ok.txt"));
    EXPECT_FALSE(fs::exists(outer.path() / "escaped.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(inner), fs::directory_iterator()), 2);  // x.pvb, ok.txt
}

TEST_F(DecryptJobFixture, DuplicateNamesAreRestoredInArchiveOrder) {
    const auto path = Archive("x.pvb", {{"same.txt", test::Span("first")}, {"same.txt", test::Span("second")}});
    EXPECT_EQ(Run({path}), kExitDone);
    EXPECT_EQ(folder.Read("same.txt"), test::Span("second"));
}

TEST_F(DecryptJobFixture, AnArchiveUnderAnotherPasskeyIsNeitherRestoredNorWiped) {
    const auto first = Archive("one.pvb", {{"a.txt", test::Span("a")}});
    const auto other = Archive("two.pvb", {{"b.txt", test::Span("b")}}, "a different passkey");
    folder.Write("b.txt", test::Span("keep me"));
    ui->deleteSources = true;
    EXPECT_EQ(Run({first, other}), kExitDone);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_EQ(folder.Read("b.txt"), test::Span("keep me"));
    ASSERT_FALSE(ui->fake.shown.empty());
    EXPECT_EQ(ui->fake.shown.back().text, WrongPasskeyText(other));
}

TEST_F(DecryptJobFixture, ATruncatedArchiveKeepsWhatWasReadAndIsNotWiped) {
    const auto data = test::TestBytes(30000, 1);
    const auto full = test::WriteTestArchive({{"big.bin", data}}, {});
    folder.Write("x.pvb", Bytes(full.begin(), full.begin() + 5000));
    ui->deleteSources = true;
    EXPECT_EQ(Run({folder.Path("x.pvb")}), kExitDone);
    EXPECT_TRUE(fs::exists(folder.Path("x.pvb")));
    const auto salvaged = folder.Read("big.bin");
    EXPECT_FALSE(salvaged.empty());
    EXPECT_TRUE(std::equal(salvaged.begin(), salvaged.end(), data.begin()));
    EXPECT_EQ(ui->fake.shown.back().text, IncompleteEntryText(folder.Path("x.pvb"), "big.bin"));
}

TEST_F(DecryptJobFixture, Version3ArchivesAcceptAnyPasskey) {
    const Bytes data = test::TestBytes(21, 9);
    folder.Write("old.pvb", test::old_archive::Version3DesArchive("old.doc", data, "eightkey"));
    ui->passkeys = {"anything"};  // accepted: there is no check value to compare
    EXPECT_EQ(Run({folder.Path("old.pvb")}), kExitDone);
    EXPECT_FALSE(ui->verifyOffered);
    EXPECT_NE(folder.Read("old.doc"), data);  // the wrong passkey gives unreadable output
    ui->passkeys = {"eightkey"};
    EXPECT_EQ(Run({folder.Path("old.pvb")}), kExitDone);
    EXPECT_EQ(folder.Read("old.doc"), data);
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
