// pelorin.exe started as a shell starts it, with names of any characters
// on its wide command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/ArchiveTestSupport.h"
#include "e2e/ProgramDriver.h"
#include "encrypt_app/EncryptSettings.h"
#include "platform/Settings.h"
#include "platform/win32/WidePath.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;

// A file of a Japanese name is wiped; a folder whose names the code page
// holds goes into a classic archive and comes back under the same names.
TEST(ToolProgramTest, NamesOfAnyCharactersOnTheCommandLine) {
    pelorin::test::TempFolder folder;  // its own path is ASCII
    const std::string foreign = folder.Prefix() + kJapaneseName + kEmojiName + ".txt";
    std::ofstream(PathOf(foreign), std::ios::binary) << "foreign";
    Program wipe("pelorin.exe", {"wipe-file", foreign});
    EXPECT_EQ(wipe.ExitCode(), 0);
    EXPECT_FALSE(fs::exists(PathOf(foreign)));

    const std::string work = folder.Prefix() + "Gr\xc3\xbc\xc3\x9f" "e";
    const std::string western = work + "\\caf\xc3\xa9 \xe2\x82\xac.txt";
    fs::create_directories(PathOf(work));
    std::ofstream(PathOf(western), std::ios::binary) << "western";
    const std::string key = folder.Prefix() + "key";
    std::ofstream(key) << "k";
    Program encrypt("pelorin.exe", {"encrypt", "--algorithm", "1", "--passkey-file", key, work});
    ASSERT_EQ(encrypt.ExitCode(), 0);
    fs::remove_all(PathOf(work));
    Program decrypt("pelorin.exe", {"decrypt", "--passkey-file", key, work + ".pvb"});
    ASSERT_EQ(decrypt.ExitCode(), 0);
    EXPECT_EQ(ReadAll(western), pelorin::test::Span("western"));
}

// Names that only the "\\?\" form makes: a trailing dot or space, in a
// file's or a folder's name. Each is wiped or deleted as itself; the file
// whose name lacks the dot or space stays untouched.
TEST(ToolProgramTest, ATrailingDotOrSpaceNamesAnotherFile) {
    pelorin::test::TempFolder folder;
    const auto make = [](const std::string& name, const char* body) {
        const std::wstring wide = L"\\\\?\\" + pelorin::platform::win32::Widen(name);
        if (body == nullptr) return CreateDirectoryW(wide.c_str(), nullptr) != FALSE;
        HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        WriteFile(file, body, static_cast<DWORD>(std::strlen(body)), &written, nullptr);
        return CloseHandle(file) != FALSE;
    };
    struct Case {
        const char* command;
        std::string odd;   // made through "\\?\", then given to the command
        std::string twin;  // the name the system would have made of it
        std::string kept;  // a file that must keep its bytes
    };
    const std::string at = folder.Prefix();
    const Case cases[] = {
        {"wipe-file", at + "a.", at + "a", at + "a"},
        {"wipe-file", at + "b ", at + "b", at + "b"},
        {"delete", at + "c. .", at + "c", at + "c"},
        {"delete", at + "d.", at + "d", at + "d\\inner"},
    };
    for (const auto& c : cases) {
        const bool folderCase = c.kept != c.twin;
        ASSERT_TRUE(make(c.twin, folderCase ? nullptr : "twin")) << c.twin;
        if (folderCase) {
            ASSERT_TRUE(make(c.kept, "twin"));
            ASSERT_TRUE(make(c.odd, nullptr)) << c.odd;
            ASSERT_TRUE(make(c.odd + "\\inner", "odd"));
        } else {
            ASSERT_TRUE(make(c.odd, "odd")) << c.odd;
        }
        const bool asks = std::string(c.command) == "delete";
        Program job("pelorin.exe", asks ? std::vector<std::string>{c.command, "--yes", c.odd}
                                        : std::vector<std::string>{c.command, c.odd});
        EXPECT_EQ(job.ExitCode(), 0) << c.odd;
        EXPECT_EQ(GetFileAttributesW((L"\\\\?\\" + pelorin::platform::win32::Widen(c.odd)).c_str()),
                  INVALID_FILE_ATTRIBUTES) << c.odd;
        EXPECT_EQ(ReadAll(c.kept), pelorin::test::Span("twin")) << c.kept;
    }
}

// A passkey handed over in the environment is taken whole up to the 1024
// bytes of UTF-8 that version 8 takes, and refused beyond them, never cut.
TEST(ToolProgramTest, APasskeyFromTheEnvironmentOfUpTo1024Bytes) {
    pelorin::platform::SettingsStore settings(pelorin::encrypt::kSettingsKey);
    settings.Write(pelorin::encrypt::kKdfMemory.name, 8);
    pelorin::test::TempFolder folder;
    folder.Write("a.txt", pelorin::test::Span("long passkey"));
    std::string accented;
    for (int i = 0; i < 512; ++i) accented += "\xc3\xa9";
    const struct {
        std::string passkey;
        int status;
    } cases[] = {{std::string(600, 'a'), 0}, {accented, 0}, {std::string(1025, 'a'), 2}};
    for (const auto& c : cases) {
        fs::remove(folder.Path("a.pvb"));
        SetEnvironmentVariableW(L"PELORIN_PASSKEY", pelorin::platform::win32::Widen(c.passkey).c_str());
        Program encrypt("pelorin.exe", {"encrypt", "--algorithm", "9", folder.Path("a.txt")});
        SetEnvironmentVariableW(L"PELORIN_PASSKEY", nullptr);
        EXPECT_EQ(encrypt.ExitCode(), c.status) << c.passkey.size();
        if (c.status != 0) continue;
        const auto back = pelorin::test::ReadModernTestArchive(ReadAll(folder.Path("a.pvb")), c.passkey);
        ASSERT_EQ(back.entries.size(), 1u) << c.passkey.size();
        EXPECT_EQ(back.entries[0].data, pelorin::test::Span("long passkey"));
    }
    settings.Write(pelorin::encrypt::kKdfMemory.name, pelorin::encrypt::kKdfMemory.defaultValue);
}

}  // namespace
