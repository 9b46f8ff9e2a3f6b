// An archive opened the way Explorer opens it once the installer has
// registered the file type: the open verb's command from the registry, with
// the archive's name in place of %1, started as it stands. The installer
// test passes that command line and the passkey in the environment and then
// compares the restored files with the originals.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "decrypt_app/win32/resource.h"
#include "e2e/ProgramDriver.h"

namespace {

using namespace pelorin::e2e;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : value;
}

TEST(OpenByAssociation, TheRegisteredCommandRestoresTheArchive) {
    const std::string command = Environment("PELORIN_OPEN_COMMAND");
    const std::string passkey = Environment("PELORIN_OPEN_PASSKEY");
    ASSERT_FALSE(command.empty()) << "PELORIN_OPEN_COMMAND names the command line to start";
    ASSERT_FALSE(passkey.empty()) << "PELORIN_OPEN_PASSKEY holds the archive's passkey";

    Program program(command);
    HWND dialog = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(dialog, nullptr) << "no Pelorin Decrypt dialog from " << command;
    SetDlgItemTextA(dialog, IDC_PASSKEY, passkey.c_str());
    CheckDlgButton(dialog, IDC_DECRYPT_ALL, BST_CHECKED);
    CheckDlgButton(dialog, IDC_DELETE, BST_UNCHECKED);
    Press(dialog, IDOK);
    EXPECT_EQ(program.ExitCode(), 0);
}

}  // namespace
