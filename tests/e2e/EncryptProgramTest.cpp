// The real PelorinEncrypt.exe, started as Explorer starts it and driven the
// way a user drives it: find its windows, fill the fields, press buttons,
// answer message boxes. The archive it writes is read back with the reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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
#include "platform/win32/WidePath.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;

struct EncryptProgramTest : ::testing::Test {
    pelorin::platform::SettingsStore settings{pelorin::encrypt::kSettingsKey};
    // The defaults before and after: other tests of the prefix run the
    // programs under them.
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    void Reset() {
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

// ChaCha20-Poly1305 is the first choice of the algorithm group, reached by
// the one mnemonic no other control of the dialog uses; no two controls
// overlap and every label is shown whole, at the display's resolution.
TEST_F(EncryptProgramTest, ChaChaComesFirstWithAMnemonicOfItsOwn) {
    pelorin::test::TempFolder folder;
    folder.Write("a.txt", pelorin::test::Span("x"));
    Program program("PelorinEncrypt.exe", {folder.Path("a.txt")});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    const auto textOf = [](HWND control) {
        wchar_t text[256] = {};
        GetWindowTextW(control, text, 256);
        return pelorin::platform::win32::Narrow(text);
    };
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        controls.push_back(child);
    }
    const auto radios = [&] {
        std::vector<HWND> found;
        for (HWND control : controls) {
            if ((GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON) found.push_back(control);
        }
        return found;
    }();
    ASSERT_EQ(radios.size(), 9u);
    EXPECT_EQ(radios.front(), GetDlgItem(dialog, IDC_ALG_CHACHA));  // first in the group's order
    EXPECT_TRUE(GetWindowLongA(radios.front(), GWL_STYLE) & WS_GROUP);
    std::string mnemonics;
    for (HWND control : controls) {
        const std::string text = textOf(control);
        const auto at = text.find('&');
        if (at != std::string::npos && at + 1 < text.size()) {
            mnemonics += static_cast<char>(std::tolower(static_cast<unsigned char>(text[at + 1])));
        }
        char className[32] = {};
        GetClassNameA(control, className, sizeof className);
        if (std::string(className) == "Static") EXPECT_TRUE(TextFitsInside(control)) << text;
    }
    std::string sorted = mnemonics;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << mnemonics;
    EXPECT_EQ(std::count(mnemonics.begin(), mnemonics.end(), 'c'), 1) << mnemonics;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if ((GetWindowLongA(controls[i], GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) continue;
        RECT a{}, b{}, both{};
        GetWindowRect(controls[i], &a);
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if ((GetWindowLongA(controls[j], GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) continue;
            GetWindowRect(controls[j], &b);
            EXPECT_FALSE(IntersectRect(&both, &a, &b))
                << textOf(controls[i]) << " / " << textOf(controls[j]);
        }
    }
    PressAltWith(FocusOf(dialog), 'c');
    for (int i = 0; i < 50 && !IsDlgButtonChecked(dialog, IDC_ALG_CHACHA); ++i) Sleep(20);
    EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_ALG_CHACHA));
    Snapshot("encrypt-dialog-chacha");
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.ExitCode(), 0);
}

// With ChaCha20-Poly1305 the passkey is the field's text as UTF-8, any
// character, 1 to 1024 bytes, typed twice; the classic minimum lengths do
// not apply (hashing is off here); the choice is remembered as 9.
TEST_F(EncryptProgramTest, ChaChaTakesOneTo1024BytesOfAnyCharactersAndIsRemembered) {
    using namespace pelorin::encrypt;
    settings.Write(kKdfMemory.name, 8);
    settings.Write(kHashPasskey.name, 0);
    settings.Write(kLastAlg.name, 1);
    pelorin::test::TempFolder folder;
    folder.Write("a.txt", pelorin::test::Span("any passkey"));
    Program program("PelorinEncrypt.exe", {folder.Path("a.txt")});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageA(dialog, IDC_ALG_CHACHA, BM_CLICK, 0, 0);
    struct Case {
        std::wstring passkey, verify;
        const char* caption;  // nullptr: accepted
        std::string text;
    };
    const std::wstring longest = std::wstring(511, L'\u00e9') + L"xy";  // 1024 bytes of UTF-8
    const Case cases[] = {
        {std::wstring(512, L'\u00e9') + L"x", std::wstring(512, L'\u00e9') + L"x", "Passkey too long",
         pelorin::kModernPasskeyTooLongText},
        {longest, longest + L"z", "Pelorin", "Passkeys do not match"},
        {L"\u2603", L"\u2603", nullptr, ""},  // one character, three bytes, outside the code page
    };
    for (const auto& c : cases) {
        SetDlgItemTextW(dialog, IDC_PASSKEY, c.passkey.c_str());
        SetDlgItemTextW(dialog, IDC_VERIFY, c.verify.c_str());
        Press(dialog, IDOK);
        if (c.caption == nullptr) break;
        HWND box = program.Dialog(c.caption, dialog);
        ASSERT_NE(box, nullptr) << c.text;
        EXPECT_EQ(StaticTextOf(box), c.text);
        CloseBox(box);
    }
    ASSERT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(settings.Read(kActualAlg.name), std::optional<std::uint32_t>(9));
    const auto bytes = ReadAll(folder.Path("a.pvb"));
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 8);
    EXPECT_EQ(bytes[1], 9);
    const auto back = pelorin::test::ReadModernTestArchive(bytes, "\xe2\x98\x83");
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].data, pelorin::test::Span("any passkey"));

    // The longest passkey is taken, and the next run opens with the choice.
    fs::remove(folder.Path("a.pvb"));
    Program again("PelorinEncrypt.exe", {folder.Path("a.txt")});
    dialog = again.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_ALG_CHACHA));
    SetDlgItemTextW(dialog, IDC_PASSKEY, longest.c_str());
    SetDlgItemTextW(dialog, IDC_VERIFY, longest.c_str());
    Press(dialog, IDOK);
    ASSERT_EQ(again.ExitCode(), 0);
    std::string utf8;
    for (int i = 0; i < 511; ++i) utf8 += "\xc3\xa9";
    EXPECT_EQ(pelorin::test::ReadModernTestArchive(ReadAll(folder.Path("a.pvb")), utf8 + "xy").entries.size(), 1u);
}

}  // namespace
