// The real PelorinEncrypt.exe, started as Explorer starts it and driven the
// way a user drives it: find its windows, fill the fields, press buttons,
// answer message boxes. The archive it writes is read back with the reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "archive/ArchiveTestSupport.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/win32/resource.h"
#include "platform/Settings.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Program {
    PROCESS_INFORMATION process{};

    explicit Program(const std::vector<std::string>& arguments) {
        std::string commandLine = "\"PelorinEncrypt.exe\"";
        for (const auto& a : arguments) commandLine += " \"" + a + "\"";
        STARTUPINFOA startup{sizeof startup};
        EXPECT_TRUE(CreateProcessA("PelorinEncrypt.exe", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process));
        WaitForInputIdle(process.hProcess, 10000);
    }
    ~Program() {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    // The exit code, or -1 when the program does not end in time.
    int ExitCode() {
        if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<int>(code);
    }
    // A visible dialog of this process with the caption, owned by `owner`
    // when one is given.
    HWND Dialog(const std::string& caption, HWND owner = nullptr) {
        struct Search {
            DWORD pid;
            std::string caption;
            HWND owner;
            HWND found;
        } search{process.dwProcessId, caption, owner, nullptr};
        for (auto deadline = std::chrono::steady_clock::now() + 15s; std::chrono::steady_clock::now() < deadline;) {
            EnumWindows(
                [](HWND window, LPARAM parameter) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(parameter);
                    DWORD pid = 0;
                    GetWindowThreadProcessId(window, &pid);
                    char className[64] = {}, text[256] = {};
                    GetClassNameA(window, className, sizeof className);
                    GetWindowTextA(window, text, sizeof text);
                    if (pid == s->pid && std::string(className) == "#32770" && s->caption == text &&
                        IsWindowVisible(window) && (s->owner == nullptr || GetWindow(window, GW_OWNER) == s->owner)) {
                        s->found = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr) return search.found;
            std::this_thread::sleep_for(20ms);
        }
        return nullptr;
    }
};

// With PELORIN_SCREENSHOT_DIR set (scripts/screenshots.sh), each dialog is
// announced by a file "ready-NAME" and held until "taken-NAME" appears,
// while a watcher on the Linux side photographs the screen.
void Snapshot(const std::string& name) {
    const char* folder = std::getenv("PELORIN_SCREENSHOT_DIR");
    if (folder == nullptr) return;
    std::this_thread::sleep_for(300ms);  // let the window paint
    const fs::path base(folder);
    std::ofstream(base / ("ready-" + name)).put('\n');
    for (int i = 0; i < 250 && !fs::exists(base / ("taken-" + name)); ++i) std::this_thread::sleep_for(40ms);
}

// The command number of the system menu's About item.
constexpr WPARAM kAboutCommandNumber = 16;

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::string StaticTextOf(HWND box) {
    std::string found;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM parameter) -> BOOL {
            char className[32] = {}, text[512] = {};
            GetClassNameA(child, className, sizeof className);
            GetWindowTextA(child, text, sizeof text);
            if (std::string(className) == "Static" && text[0] != '\0') *reinterpret_cast<std::string*>(parameter) = text;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void WaitGone(HWND window) {
    for (int i = 0; i < 500 && IsWindow(window); ++i) std::this_thread::sleep_for(20ms);
}

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
    Program program({folder.Path("a.txt"), folder.Path("b.txt"), folder.Path("Work")});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageA(dialog, IDC_ALG_BLOWFISH, BM_CLICK, 0, 0);
    SetDlgItemTextA(dialog, IDC_PASSKEY, "correct horse");
    SetDlgItemTextA(dialog, IDC_VERIFY, "correct horse");
    Snapshot("encrypt-dialog");
    Press(dialog, IDOK);
    ASSERT_EQ(program.ExitCode(), 0);

    std::ifstream in(folder.Path("a.pvb"), std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    pelorin::test::FakeUi ui;
    const auto back = pelorin::test::ReadTestArchive(bytes, "correct horse", ui);
    ASSERT_EQ(back.entries.size(), 3u);
    EXPECT_EQ(back.entries[0].name, "a.txt");
    EXPECT_EQ(back.entries[1].name, "b.txt");
    EXPECT_EQ(back.entries[2].name, "Work\\Sub\\c.doc");
    EXPECT_EQ(back.entries[2].data, pelorin::test::Span("inside a folder"));
    EXPECT_EQ(bytes[1], 1);  // BlowFish
}

TEST_F(EncryptProgramTest, WithoutFilesTheNoFilesDialogEndsWithFive) {
    Program program({});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    Snapshot("no-files-dialog");
    Press(dialog, IDC_NOFILES_NO);
    EXPECT_EQ(program.ExitCode(), 5);
}

TEST_F(EncryptProgramTest, AWrongVerifyIsReportedAndTheDialogStays) {
    pelorin::test::TempFolder folder;
    folder.Write("a.txt", pelorin::test::Span("x"));
    Program program({folder.Path("a.txt")});
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
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitGone(box);
    EXPECT_TRUE(IsWindowVisible(dialog));
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_FALSE(fs::exists(folder.Path("a.pvb")));
}

TEST_F(EncryptProgramTest, OptionsAreStoredInTheRegistry) {
    pelorin::test::TempFolder folder;
    folder.Write("a.txt", pelorin::test::Span("x"));
    Program program({folder.Path("a.txt")});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    Press(dialog, IDC_OPTIONS_BUTTON);
    HWND options = program.Dialog("Options", dialog);
    ASSERT_NE(options, nullptr);
    char passes[16] = {};
    GetDlgItemTextA(options, IDC_OPT_PASSES, passes, sizeof passes);
    EXPECT_STREQ(passes, "3");
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
    Program program({folder.Path("a.txt")});
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

}  // namespace
