// The real PelorinWipe.exe, driven the way a user drives it, in a Wine
// prefix of its own that maps no letter to the host's root: T: and U: are
// the tests' own volumes, R: and S: are set up as a CD-ROM and a network
// drive (see program_drives_test.sh, which checks T:'s image afterwards).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "e2e/ProgramDriver.h"
#include "platform/Settings.h"
#include "wipe_app/WipeSettings.h"
#include "wipe_app/WipeTexts.h"
#include "wipe_app/win32/resource.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;

struct WipeProgramTest : ::testing::Test {
    pelorin::platform::SettingsStore global{pelorin::wipe_app::kGlobalKey};
    pelorin::platform::SettingsStore program{pelorin::wipe_app::kProgramKey};

    void SetUp() override {
        global.Write(pelorin::wipe_app::kNumDisk.name, 1);
        global.Write(pelorin::wipe_app::kNumMem.name, 10);
        program.Write(pelorin::wipe_app::kWhat.name, 1);
    }

    static int IndexOf(const Names& items, const std::string& text) {
        const auto found = std::find(items.begin(), items.end(), text);
        return found == items.end() ? -1 : static_cast<int>(found - items.begin());
    }

    // Waits until button 2 reads "&Close" again and Start is enabled.
    static bool RunEnds(HWND dialog) {
        for (auto deadline = std::chrono::steady_clock::now() + 120s; std::chrono::steady_clock::now() < deadline;) {
            if (ControlTextOf(dialog, IDCANCEL) == "&Close" && IsWindowEnabled(GetDlgItem(dialog, IDC_START))) {
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    static bool RunGoes(HWND dialog) {
        for (int i = 0; i < 200 && ControlTextOf(dialog, IDCANCEL) != "Cancel"; ++i) std::this_thread::sleep_for(20ms);
        return ControlTextOf(dialog, IDCANCEL) == "Cancel";
    }
};

// Only fixed and removable drives are listed; a Standard run on T: and a
// Complete run on U: (asked first) leave T:'s files and empty U:.
TEST_F(WipeProgramTest, ListsOnlyFixedAndRemovableDrivesAndRunsStandardAndComplete) {
    std::ofstream("T:\\kept.txt") << "kept";
    fs::create_directories("U:\\dir");
    std::ofstream("U:\\dir\\gone.txt") << "gone";
    std::ofstream("U:\\top.txt") << "gone too";

    Program wipe("PelorinWipe.exe", {});
    HWND dialog = wipe.Dialog("Pelorin Wipe");
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_DRIVE_LIST);
    const Names items = wipe.ListViewTexts(list);
    EXPECT_NE(IndexOf(items, "(T:\\)"), -1);
    EXPECT_NE(IndexOf(items, "(U:\\)"), -1);
    EXPECT_EQ(IndexOf(items, "(R:\\)"), -1);  // a CD-ROM
    EXPECT_EQ(IndexOf(items, "(S:\\)"), -1);  // a network drive
    EXPECT_EQ(IndexOf(items, "(Z:\\)"), -1);  // no letter leads to the host's root
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_STANDARD), BST_CHECKED);
    Snapshot("wipe-dialog");

    // Start with nothing selected: the message, nothing started.
    Press(dialog, IDC_START);
    HWND box = wipe.Dialog("Pelorin Wipe", dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), pelorin::wipe_app::kNoDriveText);
    CloseBox(box);

    wipe.SelectListViewItem(list, IndexOf(items, "(T:\\)"));
    Press(dialog, IDC_START);
    ASSERT_TRUE(RunGoes(dialog));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_OPTIONS_BUTTON)));
    EXPECT_FALSE(IsWindowEnabled(list));
    Snapshot("wipe-running");
    ASSERT_TRUE(RunEnds(dialog));
    EXPECT_TRUE(fs::exists("T:\\kept.txt"));

    // The chosen type is stored when the program closes.
    SendDlgItemMessageA(dialog, IDC_COMPLETE, BM_CLICK, 0, 0);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(wipe.ExitCode(), 0);
    EXPECT_EQ(program.Read(pelorin::wipe_app::kWhat.name), std::optional<std::uint32_t>(3));

    Program complete("PelorinWipe.exe", {});
    dialog = complete.Dialog("Pelorin Wipe");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_COMPLETE), BST_CHECKED);  // "what" was stored at Close
    list = GetDlgItem(dialog, IDC_DRIVE_LIST);
    complete.SelectListViewItem(list, IndexOf(complete.ListViewTexts(list), "(U:\\)"));
    Press(dialog, IDC_START);
    box = complete.Dialog("Pelorin Wipe", dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), pelorin::wipe_app::kCompleteQuestion);
    Snapshot("complete-question");
    PostMessageA(box, WM_COMMAND, IDYES, 0);
    WaitGone(box);
    ASSERT_TRUE(RunEnds(dialog));
    EXPECT_FALSE(fs::exists("U:\\top.txt"));
    EXPECT_FALSE(fs::exists("U:\\dir"));
    EXPECT_TRUE(fs::exists("T:\\kept.txt"));
    Press(dialog, IDCANCEL);
    EXPECT_EQ(complete.ExitCode(), 0);
}

// Cancel during a long run: the run ends at its next check and no fill file
// stays behind.
TEST_F(WipeProgramTest, CancelStopsARunAndLeavesNoFillFile) {
    global.Write(pelorin::wipe_app::kNumDisk.name, 10000);
    Program wipe("PelorinWipe.exe", {});
    HWND dialog = wipe.Dialog("Pelorin Wipe");
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_DRIVE_LIST);
    wipe.SelectListViewItem(list, IndexOf(wipe.ListViewTexts(list), "(U:\\)"));
    Press(dialog, IDC_START);
    ASSERT_TRUE(RunGoes(dialog));
    std::this_thread::sleep_for(500ms);
    Press(dialog, IDCANCEL);
    ASSERT_TRUE(RunEnds(dialog));
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA("U:\\pel*", &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(wipe.ExitCode(), 0);
}

// Options writes both counts; About and Help open.
TEST_F(WipeProgramTest, OptionsAboutAndHelp) {
    Program wipe("PelorinWipe.exe", {});
    HWND dialog = wipe.Dialog("Pelorin Wipe");
    ASSERT_NE(dialog, nullptr);
    Press(dialog, IDC_OPTIONS_BUTTON);
    HWND options = wipe.Dialog("Pelorin Options", dialog);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(ControlTextOf(options, IDC_OPT_DISK), "1");
    EXPECT_EQ(ControlTextOf(options, IDC_OPT_MEMORY), "10");
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(options, IDC_OPT_DISK), GWL_STYLE) & ES_NUMBER);
    SetDlgItemTextA(options, IDC_OPT_DISK, "7");
    SetDlgItemTextA(options, IDC_OPT_MEMORY, "4");
    Snapshot("wipe-options");
    Press(options, IDOK);
    WaitGone(options);
    EXPECT_EQ(global.Read(pelorin::wipe_app::kNumDisk.name), std::optional<std::uint32_t>(7));
    EXPECT_EQ(global.Read(pelorin::wipe_app::kNumMem.name), std::optional<std::uint32_t>(4));

    PostMessageA(dialog, WM_SYSCOMMAND, kAboutCommandNumber, 0);
    HWND about = wipe.Dialog("About Pelorin Wipe", dialog);
    ASSERT_NE(about, nullptr);
    Snapshot("wipe-about");
    Press(about, IDOK);
    WaitGone(about);

    // Help opens the page in a browser; where none can show it, a message
    // names the page.
    Press(dialog, IDC_HELP_BUTTON);
    if (HWND box = wipe.Dialog("Pelorin Wipe", dialog); box != nullptr) {
        EXPECT_NE(StaticTextOf(box).find("PelorinWipe.html"), std::string::npos) << StaticTextOf(box);
        Snapshot("wipe-help-message");
        CloseBox(box);
    }
    EXPECT_TRUE(IsWindow(dialog));
    Press(dialog, IDCANCEL);
    EXPECT_EQ(wipe.ExitCode(), 0);
}

}  // namespace
