// The real PelorinEncrypt.exe, started as Explorer starts it and driven the
// way a user drives it: find its windows, fill the fields, press buttons,
// answer message boxes. The archive it writes is read back with the reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app_common/PasskeyTexts.h"
#include "archive/ArchiveTestSupport.h"
#include "encrypt_app/EncryptJob.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/win32/resource.h"
#include "e2e/ProgramDriver.h"
#include "platform/Settings.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;

struct EncryptProgramTest : ::testing::Test {
    pelorin::platform::SettingsStore settings{pelorin::encrypt::kSettingsKey};
    void SetUp() override {
        using namespace pelorin::encrypt;
        for (const auto& s : kAllSettings) settings.Write(s.name, s.defaultValue);
    }
};

TEST_F(EncryptProgramTest, TwoFilesAndAFolderBecomeOneArchive) {
    pelorin::test::TempFolder folder;
    folder.Write("a.txt", pelorin::test::Span("first file"));
    folder.Write("b.txt", pelorin::test::Span("second file"));
    fs::create_directories(folder.path() / "Work" / "Sub");
    folder.Write("Work\\Sub\\c.doc", pelorin::test::Span("inside a folder"));
    Program program("PelorinEncrypt.exe", {folder.Path("a.txt"), folder.Path("b.txt"), folder.Path("Work")});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageA(dialog, IDC_ALG_BLOWFISH, BM_CLICK, 0, 0);
    SetDlgItemTextA(dialog, IDC_PASSKEY, "correct horse");
    SetDlgItemTextA(dialog, IDC_VERIFY, "correct horse");
    Snapshot("encrypt-dialog");
    Press(dialog, IDOK);
    ASSERT_EQ(program.ExitCode(), 0);

    const auto bytes = ReadAll(folder.Path("a.pvb"));
    pelorin::test::FakeUi ui;
    const auto back = pelorin::test::ReadTestArchive(bytes, "correct horse", ui);
    ASSERT_EQ(back.entries.size(), 3u);
    EXPECT_EQ(back.entries[0].name, "a.txt");
    EXPECT_EQ(back.entries[1].name, "b.txt");
    EXPECT_EQ(back.entries[2].name, "Work\\Sub\\c.doc");
    EXPECT_EQ(back.entries[2].data, pelorin::test::Span("inside a folder"));
    EXPECT_EQ(bytes[1], 1);  // BlowFish
}

// With Delete source, a folder goes only when everything in it was stored
// and wiped: an empty one, which the archive cannot hold, stays, and so does
// the dropped folder around it.
TEST_F(EncryptProgramTest, DeleteSourceKeepsAnEmptyFolderAndItsParent) {
    pelorin::test::TempFolder folder;
    fs::create_directories(folder.path() / "Work" / "Sub");
    fs::create_directories(folder.path() / "Work" / "Empty");
    folder.Write("Work\\Sub\\c.doc", pelorin::test::Span("inside a folder"));
    Program program("PelorinEncrypt.exe", {folder.Path("Work")});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageA(dialog, IDC_ALG_BLOWFISH, BM_CLICK, 0, 0);
    SetDlgItemTextA(dialog, IDC_PASSKEY, "correct horse");
    SetDlgItemTextA(dialog, IDC_VERIFY, "correct horse");
    SendDlgItemMessageA(dialog, IDC_DELETE, BM_CLICK, 0, 0);
    Press(dialog, IDOK);
    ASSERT_EQ(program.ExitCode(), 0);

    EXPECT_FALSE(fs::exists(folder.path() / "Work" / "Sub"));
    EXPECT_TRUE(fs::is_directory(folder.path() / "Work" / "Empty"));
    pelorin::test::FakeUi ui;
    const auto back = pelorin::test::ReadTestArchive(ReadAll(folder.Path("Work.pvb")), "correct horse", ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].name, "Work\\Sub\\c.doc");
}

TEST_F(EncryptProgramTest, WithoutFilesTheNoFilesDialogEndsWithFive) {
    Program program("PelorinEncrypt.exe", {});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    Snapshot("no-files-dialog");
    Press(dialog, IDC_NOFILES_NO);
    EXPECT_EQ(program.ExitCode(), 5);
}

TEST_F(EncryptProgramTest, AWrongVerifyIsReportedAndTheDialogStays) {
    pelorin::test::TempFolder folder;
    folder.Write("a.txt", pelorin::test::Span("x"));
    Program program("PelorinEncrypt.exe", {folder.Path("a.txt")});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageA(dialog, IDC_ALG_DES, BM_CLICK, 0, 0);
    SetDlgItemTextA(dialog, IDC_PASSKEY, "secret1");
    SetDlgItemTextA(dialog, IDC_VERIFY, "secret2");
    Press(dialog, IDOK);
    HWND box = program.Dialog("Pelorin", dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), "Passkeys do not match");
    Snapshot("passkeys-differ-box");
    CloseBox(box);
    EXPECT_TRUE(IsWindowVisible(dialog));
    // The verify text is selected, so that typing replaces it.
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_VERIFY, EM_GETSEL, 0, 0), MAKELRESULT(0, 7));

    // A passkey the code page cannot hold is refused, never weakened to '?'.
    if (GetACP() != CP_UTF8) {
        SetDlgItemTextW(dialog, IDC_PASSKEY, L"\u65e5\u672c\u8a9e");
        SetDlgItemTextW(dialog, IDC_VERIFY, L"\u65e5\u672c\u8a9e");
        Press(dialog, IDOK);
        box = program.Dialog("Passkey not usable", dialog);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(StaticTextOf(box), pelorin::kPasskeyOutsideCodePageText);
        CloseBox(box);
    }
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_FALSE(fs::exists(folder.Path("a.pvb")));
}

TEST_F(EncryptProgramTest, OptionsAreStoredInTheRegistry) {
    pelorin::test::TempFolder folder;
    folder.Write("a.txt", pelorin::test::Span("x"));
    Program program("PelorinEncrypt.exe", {folder.Path("a.txt")});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    Press(dialog, IDC_OPTIONS_BUTTON);
    HWND options = program.Dialog("Options", dialog);
    ASSERT_NE(options, nullptr);
    char passes[16] = {};
    GetDlgItemTextA(options, IDC_OPT_PASSES, passes, sizeof passes);
    EXPECT_STREQ(passes, "3");
    // Digits only: letters would be stored as 0 passes.
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(options, IDC_OPT_PASSES), GWL_STYLE) & ES_NUMBER);
    SetDlgItemTextA(options, IDC_OPT_PASSES, "1500");
    SendDlgItemMessageA(options, IDC_OPT_OVERWRITE, BM_CLICK, 0, 0);
    Snapshot("options-dialog");
    Press(options, IDOK);
    WaitGone(options);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(settings.Read("numpasses"), std::optional<std::uint32_t>(1500));
    EXPECT_EQ(settings.Read("overwrite"), std::optional<std::uint32_t>(1));
}

TEST_F(EncryptProgramTest, TheSystemMenuOpensTheAboutBox) {
    pelorin::test::TempFolder folder;
    folder.Write("a.txt", pelorin::test::Span("x"));
    Program program("PelorinEncrypt.exe", {folder.Path("a.txt")});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    // The system menu's item sends this command (the menu itself belongs to
    // the other process and cannot be read from here).
    PostMessageA(dialog, WM_SYSCOMMAND, kAboutCommandNumber, 0);
    HWND about = program.Dialog("About Pelorin", dialog);
    ASSERT_NE(about, nullptr);
    Snapshot("about-box");
    Press(about, IDOK);
    WaitGone(about);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.ExitCode(), 0);
}

// A classic archive keeps names as the code page's bytes, as the classic
// programs stored them (Windows-1252 here: \u00fc, \u00df, \u00e9, \u20ac), so
// that older installations and the Linux tool read the same names; a name
// the code page cannot hold is named, with a word on ChaCha20-Poly1305, and
// its file kept. The passkey is the code page's text too.
TEST_F(EncryptProgramTest, ClassicArchivesKeepNamesInTheCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "written for the Western code page 1252";
    settings.Write(pelorin::encrypt::kEncHeaders.name, 0);  // names stored plain, to be seen
    pelorin::test::TempFolder folder;
    const std::string work = folder.Prefix() + "Gr\xc3\xbc\xc3\x9f" "e";  // the prefix is ASCII
    fs::create_directories(PathOf(work));
    std::ofstream(PathOf(work + "\\caf\xc3\xa9 \xe2\x82\xac.txt"), std::ios::binary) << "western";
    const std::string foreign = work + "\\" + kJapaneseName + ".txt";
    std::ofstream(PathOf(foreign), std::ios::binary) << "foreign";
    Program program("PelorinEncrypt.exe", {work});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageA(dialog, IDC_ALG_BLOWFISH, BM_CLICK, 0, 0);
    SetDlgItemTextW(dialog, IDC_PASSKEY, L"Gr\u00fc\u00dfe");
    SetDlgItemTextW(dialog, IDC_VERIFY, L"Gr\u00fc\u00dfe");
    Press(dialog, IDOK);
    WaitGone(dialog);  // the box that follows bears the same caption
    HWND box = program.Dialog("Pelorin");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(StaticTextOf(box).find(pelorin::encrypt::NameOutsideCodePageText(foreign, 1252)), std::string::npos)
        << StaticTextOf(box);
    Snapshot("encrypt-name-outside-code-page");
    CloseBox(box);
    EXPECT_EQ(program.ExitCode(), 4);
    EXPECT_TRUE(fs::exists(PathOf(foreign)));

    const auto bytes = ReadAll(work + ".pvb");
    const auto stored = pelorin::test::Span("Gr\xfc\xdf" "e\\caf\xe9 \x80.txt");
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), stored.begin(), stored.end()), bytes.end());
    pelorin::test::FakeUi ui;
    const auto back = pelorin::test::ReadTestArchive(bytes, "Gr\xfc\xdf" "e", ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].name, "Gr\xc3\xbc\xc3\x9f" "e\\caf\xc3\xa9 \xe2\x82\xac.txt");
    EXPECT_EQ(back.entries[0].data, pelorin::test::Span("western"));
}

}  // namespace
