// The real PelorinWipe.exe, driven the way a user drives it, in a Wine
// prefix of its own that maps no letter to the host's root: T: and U: are
// the tests' own volumes, R: and S: are set up as a CD-ROM and a network
// drive (see program_drives_test.sh, which checks T:'s image afterwards).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "app_common/ProgressDialog.h"
#include "e2e/ProgramDriver.h"
#include "platform/Settings.h"
#include "wipe/ErasureRecord.h"
#include "wipe_app/RunSummary.h"
#include "wipe_app/StartRequest.h"
#include "wipe_app/WipeSettings.h"
#include "wipe_app/WipeTexts.h"
#include "wipe_app/win32/resource.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;
using pelorin::wipe_app::WipeType;

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

    // Waits until button 2 reads "&Close" again.
    static bool RunEnds(HWND dialog) {
        for (auto deadline = std::chrono::steady_clock::now() + 120s; std::chrono::steady_clock::now() < deadline;) {
            if (ControlTextOf(dialog, IDCANCEL) == "&Close") return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    // ...and until Close and Start take clicks again.
    static bool RunSettles(HWND dialog) {
        if (!RunEnds(dialog)) return false;
        for (int i = 0; i < 200; ++i) {
            if (IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)) && IsWindowEnabled(GetDlgItem(dialog, IDC_START))) {
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    // The type buttons that show a check.
    static std::vector<int> Checked(HWND dialog) {
        std::vector<int> checked;
        for (const int id : {IDC_STANDARD, IDC_THOROUGH, IDC_COMPLETE}) {
            if (IsDlgButtonChecked(dialog, id) == BST_CHECKED) checked.push_back(id);
        }
        return checked;
    }

    // The checks once they show `expected` alone, or after a second.
    static std::vector<int> CheckedBecomes(HWND dialog, int expected) {
        for (int i = 0; i < 50 && Checked(dialog) != std::vector<int>{expected}; ++i) std::this_thread::sleep_for(20ms);
        return Checked(dialog);
    }

    // A run ends with one message of what overwriting reached on each drive
    // it reached: checked to name `drives`, and closed.
    static void CloseVerdicts(Program& wipe, HWND dialog, const Names& drives) {
        HWND box = wipe.Dialog("Pelorin Wipe", dialog, std::chrono::seconds(120));
        ASSERT_NE(box, nullptr);
        const std::string text = StaticTextOf(box);
        EXPECT_EQ(text.rfind(pelorin::wipe::kVerdictHeading, 0), 0u) << text;
        for (const auto& drive : drives) EXPECT_NE(text.find("\n" + drive + ": "), std::string::npos) << text;
        CloseBox(box);
        WaitGone(box);
    }

    static bool RunGoes(HWND dialog) {
        for (int i = 0; i < 200 && ControlTextOf(dialog, IDCANCEL) != "Cancel"; ++i) std::this_thread::sleep_for(20ms);
        return ControlTextOf(dialog, IDCANCEL) == "Cancel";
    }
};

// Only fixed and removable drives are listed; a Standard run on T: and a
// Complete run on U: (asked first, naming the drive, No for Enter) leave
// T:'s files and empty U:. The chosen drive stays marked while the list has
// no focus; the finished line tells what ran.
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
    EXPECT_EQ(Checked(dialog), std::vector<int>{IDC_STANDARD});
    // The list opens with the focus, on its first item, nothing chosen yet.
    EXPECT_EQ(FocusOf(dialog), list);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 0, LVIS_FOCUSED | LVIS_SELECTED), LVIS_FOCUSED);
    Snapshot("wipe-dialog");

    // Start with nothing selected: the message, nothing started.
    Press(dialog, IDC_START);
    HWND box = wipe.Dialog("Pelorin Wipe", dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), pelorin::wipe_app::kNoDriveText);
    CloseBox(box);

    const int t = IndexOf(items, "(T:\\)");
    wipe.SelectListViewItem(list, t);
    Click(GetDlgItem(dialog, IDC_START));
    ASSERT_TRUE(RunGoes(dialog));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_OPTIONS_BUTTON)));
    EXPECT_FALSE(IsWindowEnabled(list));
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, t, LVIS_SELECTED), LVIS_SELECTED);
    Snapshot("wipe-running");
    CloseVerdicts(wipe, dialog, {"T:\\"});
    ASSERT_TRUE(RunSettles(dialog));
    EXPECT_EQ(ControlTextOf(dialog, IDC_STATUS), pelorin::wipe_app::FinishedLine(WipeType::Standard, {"T:\\"}, 0));
    EXPECT_EQ(FocusOf(dialog), GetDlgItem(dialog, IDC_START));  // where it was when the run began
    Snapshot("wipe-finished");
    EXPECT_TRUE(fs::exists("T:\\kept.txt"));

    // The chosen type is stored when the program closes.
    Click(GetDlgItem(dialog, IDC_COMPLETE));
    EXPECT_EQ(CheckedBecomes(dialog, IDC_COMPLETE), std::vector<int>{IDC_COMPLETE});
    Press(dialog, IDCANCEL);
    EXPECT_EQ(wipe.ExitCode(), 0);
    EXPECT_EQ(program.Read(pelorin::wipe_app::kWhat.name), std::optional<std::uint32_t>(3));

    Program complete("PelorinWipe.exe", {});
    dialog = complete.Dialog("Pelorin Wipe");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Checked(dialog), std::vector<int>{IDC_COMPLETE});  // "what" was stored at Close
    list = GetDlgItem(dialog, IDC_DRIVE_LIST);
    const Names drives = complete.ListViewTexts(list);
    complete.SelectListViewItem(list, IndexOf(drives, "(T:\\)"));
    complete.SelectListViewItem(list, IndexOf(drives, "(U:\\)"));
    // Enter asks, and Enter again answers No: nothing is deleted.
    PressKey(FocusOf(dialog), VK_RETURN);
    box = complete.Dialog("Pelorin Wipe", dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), pelorin::wipe_app::CompleteQuestionText({"T:\\", "U:\\"}));
    EXPECT_EQ(DefaultButtonOf(box), IDNO);
    EXPECT_EQ(FocusOf(box), GetDlgItem(box, IDNO));
    Snapshot("complete-question");
    PressKey(FocusOf(box), VK_RETURN);
    WaitGone(box);
    EXPECT_EQ(ControlTextOf(dialog, IDCANCEL), "&Close");
    EXPECT_TRUE(fs::exists("U:\\top.txt"));

    complete.SelectListViewItem(list, IndexOf(drives, "(T:\\)"), false);
    Press(dialog, IDC_START);
    box = complete.Dialog("Pelorin Wipe", dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), pelorin::wipe_app::CompleteQuestionText({"U:\\"}));
    PostMessageA(box, WM_COMMAND, IDYES, 0);
    WaitGone(box);
    CloseVerdicts(complete, dialog, {"U:\\"});
    ASSERT_TRUE(RunSettles(dialog));
    EXPECT_EQ(ControlTextOf(dialog, IDC_STATUS), pelorin::wipe_app::FinishedLine(WipeType::Complete, {"U:\\"}, 0));
    EXPECT_FALSE(fs::exists("U:\\top.txt"));
    EXPECT_FALSE(fs::exists("U:\\dir"));
    EXPECT_TRUE(fs::exists("T:\\kept.txt"));
    Press(dialog, IDCANCEL);
    EXPECT_EQ(complete.ExitCode(), 0);
}

// Every way of choosing a type leaves that one checked alone, and Start
// runs it (the finished line names it; Complete asks first). The stored
// type opens checked, and Close stores the one shown.
TEST_F(WipeProgramTest, OneTypeIsCheckedByMouseAcceleratorAndKeyboardAndThatOneRuns) {
    program.Write(pelorin::wipe_app::kWhat.name, 2);
    Program wipe("PelorinWipe.exe", {});
    HWND dialog = wipe.Dialog("Pelorin Wipe");
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_DRIVE_LIST);
    wipe.SelectListViewItem(list, IndexOf(wipe.ListViewTexts(list), "(U:\\)"));
    EXPECT_EQ(Checked(dialog), std::vector<int>{IDC_THOROUGH});
    const auto button = [&](int id) { return GetDlgItem(dialog, id); };

    struct Way {
        const char* name;
        std::function<void()> act;
        int checked;
        WipeType runs;
    };
    const std::vector<Way> ways = {
        {"as stored", [] {}, IDC_THOROUGH, WipeType::Thorough},
        {"mouse on Complete", [&] { Click(button(IDC_COMPLETE)); }, IDC_COMPLETE, WipeType::Complete},
        {"mouse on Standard", [&] { Click(button(IDC_STANDARD)); }, IDC_STANDARD, WipeType::Standard},
        {"Alt+M", [&] { PressAltWith(FocusOf(dialog), 'm'); }, IDC_COMPLETE, WipeType::Complete},
        {"Alt+T", [&] { PressAltWith(FocusOf(dialog), 't'); }, IDC_THOROUGH, WipeType::Thorough},
        {"Alt+D", [&] { PressAltWith(FocusOf(dialog), 'd'); }, IDC_STANDARD, WipeType::Standard},
        {"arrow down", [&] { PressKey(FocusOf(dialog), VK_DOWN); }, IDC_THOROUGH, WipeType::Thorough},
        {"arrow down again", [&] { PressKey(FocusOf(dialog), VK_DOWN); }, IDC_COMPLETE, WipeType::Complete},
        {"arrow up", [&] { PressKey(FocusOf(dialog), VK_UP); }, IDC_THOROUGH, WipeType::Thorough},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        way.act();
        ASSERT_EQ(CheckedBecomes(dialog, way.checked), std::vector<int>{way.checked});
        Press(dialog, IDC_START);
        if (way.runs == WipeType::Complete) {
            HWND box = wipe.Dialog("Pelorin Wipe", dialog);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(StaticTextOf(box), pelorin::wipe_app::CompleteQuestionText({"U:\\"}));
            PostMessageA(box, WM_COMMAND, IDNO, 0);
            WaitGone(box);
            continue;
        }
        ASSERT_TRUE(RunGoes(dialog));
        CloseVerdicts(wipe, dialog, {"U:\\"});
        ASSERT_TRUE(RunSettles(dialog));
        EXPECT_EQ(ControlTextOf(dialog, IDC_STATUS), pelorin::wipe_app::FinishedLine(way.runs, {"U:\\"}, 0));
    }
    Press(dialog, IDCANCEL);
    EXPECT_EQ(wipe.ExitCode(), 0);
    EXPECT_EQ(program.Read(pelorin::wipe_app::kWhat.name), std::optional<std::uint32_t>(2));
}

// A run takes the focus to Cancel; Escape asks as a progress window does
// (No goes on, Yes stops); the end brings the focus back. Close, where
// Cancel was, ignores a late click or Escape for a moment. No fill file
// stays behind.
TEST_F(WipeProgramTest, EscapeCancelsARunAndALateClickDoesNotClose) {
    global.Write(pelorin::wipe_app::kNumDisk.name, 10000);
    Program wipe("PelorinWipe.exe", {});
    HWND dialog = wipe.Dialog("Pelorin Wipe");
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_DRIVE_LIST);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    wipe.SelectListViewItem(list, IndexOf(wipe.ListViewTexts(list), "(U:\\)"));
    Click(GetDlgItem(dialog, IDC_START));
    ASSERT_TRUE(RunGoes(dialog));
    EXPECT_EQ(FocusOf(dialog), cancel);
    EXPECT_EQ(DefaultButtonOf(dialog), IDCANCEL);  // Enter too
    std::this_thread::sleep_for(300ms);

    PressKey(cancel, VK_ESCAPE);
    HWND question = wipe.Dialog("Pelorin Wipe", dialog);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(StaticTextOf(question), pelorin::kCancelQuestion);
    Snapshot("wipe-cancel-question");
    PostMessageA(question, WM_COMMAND, IDNO, 0);
    WaitGone(question);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(ControlTextOf(dialog, IDCANCEL), "Cancel");  // No: the run goes on

    PressKey(FocusOf(dialog), VK_ESCAPE);
    question = wipe.Dialog("Pelorin Wipe", dialog);
    ASSERT_NE(question, nullptr);
    PostMessageA(question, WM_COMMAND, IDYES, 0);
    WaitGone(question);
    CloseVerdicts(wipe, dialog, {"U:\\"});
    ASSERT_TRUE(RunEnds(dialog));
    EXPECT_FALSE(IsWindowEnabled(cancel));
    Click(cancel);
    PressKey(FocusOf(dialog), VK_ESCAPE);
    ASSERT_TRUE(RunSettles(dialog));
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(IsWindow(dialog));  // neither the late click nor Escape closed it
    EXPECT_EQ(ControlTextOf(dialog, IDC_STATUS), pelorin::wipe_app::FinishedLine(WipeType::Standard, {"U:\\"}, 13));
    EXPECT_EQ(FocusOf(dialog), GetDlgItem(dialog, IDC_START));
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA("U:\\pel*", &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    Click(cancel);
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
    EXPECT_EQ(IsDlgButtonChecked(options, IDC_OPT_VERIFY), BST_UNCHECKED);
    // Every label is shown whole.
    for (HWND child = GetWindow(options, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = {}, text[128] = {};
        GetClassNameA(child, className, sizeof className);
        GetWindowTextA(child, text, sizeof text);
        if (std::string(className) == "Static") EXPECT_TRUE(TextFitsInside(child)) << text;
    }
    SetDlgItemTextA(options, IDC_OPT_DISK, "7");
    SetDlgItemTextA(options, IDC_OPT_MEMORY, "4");
    SendDlgItemMessageA(options, IDC_OPT_VERIFY, BM_CLICK, 0, 0);
    Snapshot("wipe-options");
    Press(options, IDOK);
    WaitGone(options);
    EXPECT_EQ(global.Read(pelorin::wipe_app::kNumDisk.name), std::optional<std::uint32_t>(7));
    EXPECT_EQ(global.Read(pelorin::wipe_app::kNumMem.name), std::optional<std::uint32_t>(4));
    EXPECT_EQ(program.Read(pelorin::wipe_app::kVerify.name), std::optional<std::uint32_t>(1));
    program.Write(pelorin::wipe_app::kVerify.name, 0);

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

// Files and folders of any name: Thorough reaches the slack of each (the
// run ends without a file it could not do, and the files hold what they
// held), Complete deletes them all (the script then finds nothing of their
// names or contents in T:'s image). Last: Complete empties T:.
TEST_F(WipeProgramTest, ThoroughAndCompleteReachNamesOfAnyCharacters) {
    const char* given = std::getenv("PELORIN_E2E_MARKER");
    const std::string marker = given != nullptr ? given : "PELORIN-WIPE-PROGRAM-MARKER";
    const std::string tree = std::string("T:\\") + marker + kGreekName;
    const std::string inner = tree + "\\" + marker + kJapaneseName;
    fs::create_directories(PathOf(inner));
    std::string contents;
    while (contents.size() < 10000) contents += marker;  // not a whole number of clusters: there is slack
    const Names files = {tree + "\\" + marker + kEmojiName + ".txt", inner + "\\" + marker + kGreekName,
                         inner + "\\" + kJapaneseName + marker + kEmojiName + ".bin"};
    for (const auto& file : files) {
        std::ofstream(PathOf(file), std::ios::binary) << contents;
        ASSERT_EQ(fs::file_size(PathOf(file)), contents.size());
    }

    for (const int type : {IDC_THOROUGH, IDC_COMPLETE}) {
        Program wipe("PelorinWipe.exe", {});
        HWND dialog = wipe.Dialog("Pelorin Wipe");
        ASSERT_NE(dialog, nullptr);
        HWND list = GetDlgItem(dialog, IDC_DRIVE_LIST);
        wipe.SelectListViewItem(list, IndexOf(wipe.ListViewTexts(list), "(T:\\)"));
        Click(GetDlgItem(dialog, type));
        ASSERT_EQ(CheckedBecomes(dialog, type), std::vector<int>{type});
        Press(dialog, IDC_START);
        if (type == IDC_COMPLETE) {
            HWND box = wipe.Dialog("Pelorin Wipe", dialog);
            ASSERT_NE(box, nullptr);
            PostMessageA(box, WM_COMMAND, IDYES, 0);
            WaitGone(box);
        }
        CloseVerdicts(wipe, dialog, {"T:\\"});
        ASSERT_TRUE(RunSettles(dialog));
        const WipeType ran = type == IDC_THOROUGH ? WipeType::Thorough : WipeType::Complete;
        EXPECT_EQ(ControlTextOf(dialog, IDC_STATUS), pelorin::wipe_app::FinishedLine(ran, {"T:\\"}, 0));
        Press(dialog, IDCANCEL);
        EXPECT_EQ(wipe.ExitCode(), 0);
        if (type == IDC_THOROUGH) {
            for (const auto& file : files) {
                EXPECT_EQ(ReadAll(file), std::vector<std::uint8_t>(contents.begin(), contents.end())) << file;
            }
        }
    }
    EXPECT_FALSE(fs::exists(PathOf(tree)));
}

}  // namespace
