// Messages of the real programs that name files: each names them by the
// full path (archives of one name in two folders are told apart), under
// the captions the programs' other messages use; and Pelorin Encrypt tells
// what it could not store in one list at the end, not one box per file.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app_common/OpenError.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/ReaderMessages.h"
#include "decrypt_app/DecryptSettings.h"
#include "e2e/ProgramDriver.h"
#include "encrypt_app/EncryptJob.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/win32/resource.h"
#include "platform/Settings.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;
using pelorin::test::Span;

struct MessagesProgramTest : ::testing::Test {
    pelorin::platform::SettingsStore encryptSettings{pelorin::encrypt::kSettingsKey};
    pelorin::platform::SettingsStore decryptSettings{pelorin::decrypt::kSettingsKey};
    pelorin::test::TempFolder folder;

    void SetUp() override {
        for (const auto& s : pelorin::encrypt::kAllSettings) encryptSettings.Write(s.name, s.defaultValue);
        for (const auto& s : pelorin::decrypt::kAllSettings) decryptSettings.Write(s.name, s.defaultValue);
    }
};

// Three items that cannot be stored (one missing, one held by another
// program, one of the reserved name) and one that can: the run shows no box
// until the end, then one list naming each in full; the archive holds the
// one good file.
TEST_F(MessagesProgramTest, EncryptListsWhatItCouldNotStoreOnceAtTheEnd) {
    fs::create_directories(folder.path() / "Deep" / "Er");
    folder.Write("Deep\\Er\\good.txt", Span("stored"));
    folder.Write("Deep\\Er\\held.txt", Span("held open"));
    folder.Write("Deep\\Er\\pelorin.tmp", Span("reserved"));
    const std::string good = folder.Path("Deep\\Er\\good.txt"), held = folder.Path("Deep\\Er\\held.txt"),
                      reserved = folder.Path("Deep\\Er\\pelorin.tmp"), missing = folder.Path("Deep\\Er\\gone.txt");
    // Held without sharing, as a program that has the file open does.
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    Program program("PelorinEncrypt.exe", {good, missing, held, reserved});
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageA(dialog, IDC_ALG_BLOWFISH, BM_CLICK, 0, 0);
    SetDlgItemTextA(dialog, IDC_PASSKEY, "correct horse");
    SetDlgItemTextA(dialog, IDC_VERIFY, "correct horse");
    Press(dialog, IDOK);
    WaitGone(dialog);
    HWND box = program.Dialog("Pelorin");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), pelorin::encrypt::NotDoneListText({pelorin::encrypt::NotFoundText(missing),
                                                                    pelorin::encrypt::NotOpenedText(held),
                                                                    pelorin::encrypt::SkippedTemporaryText(reserved)}));
    // By then the archive is complete: the list comes at the very end.
    const auto bytes = ReadAll(folder.Path("Deep\\Er\\good.pvb"));
    Snapshot("encrypt-not-stored-list");
    CloseBox(box);
    EXPECT_EQ(program.ExitCode(), 4);
    CloseHandle(holder);
    pelorin::test::FakeUi ui;
    const auto back = pelorin::test::ReadTestArchive(bytes, "correct horse", ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].name, "good.txt");
}

// A damaged archive and one that does not exist, each named by its full
// path in a box captioned "Error".
TEST_F(MessagesProgramTest, DecryptNamesArchivesByTheirFullPaths) {
    fs::create_directories(folder.path() / "One");
    folder.Write("One\\native.pvb", Span("too short to be an archive"));
    const std::string damaged = folder.Path("One\\native.pvb");
    {
        Program program("PelorinDecrypt.exe", {damaged});
        HWND box = program.Dialog("Error");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(StaticTextOf(box),
                  pelorin::archive::DamagedArchiveText(damaged, pelorin::archive::Damage::ShortHeader));
        Snapshot("decrypt-damaged-archive");
        CloseBox(box);
        // Whatever follows (the passkey dialog or the end), nothing is restored.
        if (HWND dialog = program.Dialog("Pelorin Decrypt"); dialog != nullptr) Press(dialog, IDCANCEL);
        program.ExitCode();
    }
    const std::string missing = folder.Path("Two\\native.pvb");
    Program program("PelorinDecrypt.exe", {missing});
    HWND box = program.Dialog(pelorin::kOpenErrorCaption);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), pelorin::OpenErrorText(pelorin::platform::FileError::NotFound, missing));
    Snapshot("decrypt-open-error");
    CloseBox(box);
    EXPECT_EQ(program.ExitCode(), pelorin::kExitOpenFailed);
}

}  // namespace
