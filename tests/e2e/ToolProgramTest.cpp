// pelorin.exe started as a shell starts it, with names of any characters
// on its wide command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "archive/ArchiveTestSupport.h"
#include "e2e/ProgramDriver.h"
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

}  // namespace
