// The real Sundrel.exe, started as the shell starts it when names are
// dropped on its icon, in a Wine prefix of its own that maps no letter to
// the host's root (see program_drives_test.sh): the trees it deletes are on
// T:, whose raw image the script searches afterwards for the marker that
// names and fills them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app_common/ProgressDialog.h"
#include "e2e/ProgramDriver.h"
#include "platform/Settings.h"
#include "platform/win32/WidePath.h"
#include "secure_delete_app/SecureDeleteSettings.h"
#include "secure_delete_app/SecureDeleteTexts.h"
#include "secure_delete_app/win32/resource.h"
#include "wipe/ErasureRecord.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;
using namespace pelorin::secure_delete;

std::string Marker() {
    const char* marker = std::getenv("PELORIN_E2E_MARKER");
    return marker != nullptr ? marker : "SUNDRELPROGRAMMARKER";
}

struct SundrelProgramTest : ::testing::Test {
    pelorin::platform::SettingsStore settings{kSettingsKey};

    // A run that deleted ends with one message of what overwriting reached
    // on T:, after its own; checked and closed.
    static void CloseVerdicts(Program& sundrel) {
        HWND box = sundrel.Dialog(kApplicationTitle);
        ASSERT_NE(box, nullptr);
        const std::string text = StaticTextOf(box);
        EXPECT_EQ(text.rfind(std::string(pelorin::wipe::kVerdictHeading) + "\n\nT:\\: ", 0), 0u) << text;
        CloseBox(box);
        WaitGone(box);
    }

    // A tree on T: whose every name and every file holds the marker; its
    // files are big enough that deleting them takes a moment.
    static std::string MakeTree(const std::string& top, int files) {
        const fs::path root = fs::path("T:\\") / (Marker() + top);
        fs::create_directories(root / (Marker() + "sub"));
        std::string contents;
        while (contents.size() < 256 * 1024) contents += Marker();
        for (int n = 0; n < files; ++n) {
            const fs::path folder = n % 2 == 0 ? root : root / (Marker() + "sub");
            std::ofstream(folder / (Marker() + "file" + std::to_string(n) + ".txt"), std::ios::binary) << contents;
        }
        return root.string();
    }
};

TEST_F(SundrelProgramTest, WithoutNamesItExplainsAndDeletesNothing) {
    Program sundrel("Sundrel.exe", {});
    HWND dialog = sundrel.Dialog(kApplicationTitle);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlTextOf(dialog, IDC_MESSAGE_TEXT), kNothingDroppedText);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    Snapshot("sundrel-nothing-dropped");
    Press(dialog, IDOK);
    EXPECT_EQ(sundrel.ExitCode(), 0);
}

// The first run asks; the box ticked and Yes: the tree goes and the
// question is turned off. Cancel in the progress window is asked about at
// the next file; No goes on.
TEST_F(SundrelProgramTest, ConfirmedWithTheBoxTickedTheTreeGoesAndTheQuestionIsOff) {
    settings.Write(kSecDelDoNotRemind.name, 1);
    const std::string tree = MakeTree("top", 24);
    const std::string lone = "T:\\" + Marker() + "lone.txt";
    std::ofstream(lone) << Marker();
    Program sundrel("Sundrel.exe", {tree, lone});
    HWND confirm = sundrel.Dialog(kApplicationTitle);
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(ControlTextOf(confirm, IDC_MESSAGE_TEXT), kConfirmText);
    EXPECT_EQ(ControlTextOf(confirm, IDC_DO_NOT_REMIND), kDoNotRemindLabel);
    EXPECT_EQ(ControlTextOf(confirm, IDOK), "&Yes");
    EXPECT_EQ(ControlTextOf(confirm, IDCANCEL), "&No");
    // What would go is named beside the question, and the focus is on Yes,
    // so that Space cannot tick the box unseen.
    EXPECT_EQ(ControlTextOf(confirm, IDC_DROPPED_COUNT), DroppedCountText(1, 1, 0));
    EXPECT_EQ(ControlTextOf(confirm, IDC_DROPPED_NAMES), tree + "\r\n" + lone + "\r\n");
    EXPECT_EQ(FocusOf(confirm), GetDlgItem(confirm, IDOK));
    EXPECT_EQ(DefaultButtonOf(confirm), IDOK);
    Snapshot("sundrel-confirm");
    SendDlgItemMessageA(confirm, IDC_DO_NOT_REMIND, BM_CLICK, 0, 0);
    Press(confirm, IDOK);
    WaitGone(confirm);

    HWND progress = sundrel.Dialog(kProgressCaption);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(GetWindow(progress, GW_OWNER), nullptr);
    EXPECT_EQ(SendDlgItemMessageA(progress, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0), 32000);
    Press(progress, IDCANCEL);
    HWND question = sundrel.Dialog(kApplicationTitle);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(StaticTextOf(question), pelorin::kCancelQuestion);
    Snapshot("sundrel-progress-cancel");
    PostMessageA(question, WM_COMMAND, IDNO, 0);
    WaitGone(question);
    CloseVerdicts(sundrel);
    EXPECT_EQ(sundrel.ExitCode(), 0);
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_FALSE(fs::exists(lone));
    EXPECT_EQ(settings.Read(kSecDelDoNotRemind.name), std::optional<std::uint32_t>(0));

    // The second run does not ask; a read-only file stays and is listed.
    const std::string second = MakeTree("second", 2);
    const fs::path readOnly = fs::path(second) / "read-only.txt";
    std::ofstream(readOnly) << "kept";
    fs::permissions(readOnly, fs::perms::owner_read);
    Program again("Sundrel.exe", {second});
    HWND box = again.Dialog(kApplicationTitle);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), NotDeletedText({readOnly.string(), second}));
    Snapshot("sundrel-not-deleted");
    CloseBox(box);
    WaitGone(box);
    CloseVerdicts(again);
    EXPECT_EQ(again.ExitCode(), 4);
    EXPECT_TRUE(fs::exists(readOnly));
    // Writable again, it goes with the rest.
    fs::permissions(readOnly, fs::perms::owner_all);
    Program last("Sundrel.exe", {second});
    CloseVerdicts(last);
    EXPECT_EQ(last.ExitCode(), 0);
    EXPECT_FALSE(fs::exists(second));
}

// Names of any characters go like any other: the dropped folder, what it
// holds and a dropped file, their names overwritten first (the script finds
// nothing of names or contents on T:).
TEST_F(SundrelProgramTest, NamesOfAnyCharactersGoLikeAnyOther) {
    settings.Write(kSecDelDoNotRemind.name, 1);
    const std::string tree = "T:\\" + Marker() + kGreekName;
    const std::string inner = tree + "\\" + Marker() + kJapaneseName;
    fs::create_directories(PathOf(inner));
    std::string contents;
    while (contents.size() < 10000) contents += Marker();
    for (const std::string& file : {tree + "\\" + Marker() + kEmojiName + ".txt", inner + "\\" + Marker() + kGreekName,
                                    inner + "\\" + kJapaneseName + Marker() + kEmojiName + ".bin"}) {
        std::ofstream(PathOf(file), std::ios::binary) << contents;
        ASSERT_EQ(fs::file_size(PathOf(file)), contents.size());
    }
    const std::string lone = "T:\\" + Marker() + kJapaneseName + kEmojiName + ".txt";
    std::ofstream(PathOf(lone), std::ios::binary) << contents;
    // A name ending in a dot (made through "\\?\") beside the file whose name
    // lacks it: the one dropped goes, the other keeps its bytes.
    const std::string dotted = "T:\\twin.";
    const std::wstring dottedWide = L"\\\\?\\" + pelorin::platform::win32::Widen(dotted);
    std::ofstream(PathOf("T:\\twin"), std::ios::binary) << "twin";
    HANDLE made = CreateFileW(dottedWide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(made, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(made, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(made);
    Program sundrel("Sundrel.exe", {tree, lone, dotted});
    HWND confirm = sundrel.Dialog(kApplicationTitle);
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(ControlTextOf(confirm, IDC_DROPPED_NAMES), tree + "\r\n" + lone + "\r\n" + dotted + "\r\n");
    Snapshot("sundrel-confirm-names-of-any-characters");
    Press(confirm, IDOK);
    WaitGone(confirm);  // the message that follows bears the same caption
    CloseVerdicts(sundrel);
    EXPECT_EQ(sundrel.ExitCode(), 0);
    EXPECT_FALSE(fs::exists(PathOf(tree)));
    EXPECT_FALSE(fs::exists(PathOf(lone)));
    EXPECT_EQ(GetFileAttributesW(dottedWide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadAll("T:\\twin"), (std::vector<std::uint8_t>{'t', 'w', 'i', 'n'}));
    fs::remove(PathOf("T:\\twin"));
}

}  // namespace
