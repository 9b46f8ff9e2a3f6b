// The Windows half of modern_between_systems_test.sh: PelorinEncrypt.exe
// and PelorinDecrypt.exe on the trees the script made on the test's own
// drive, under the passkey of its key file. Without the script's variables
// there is nothing to do.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "decrypt_app/win32/resource.h"
#include "e2e/EncryptWithProgram.h"
#include "e2e/ProgramDriver.h"
#include "encrypt_app/EncryptSettings.h"
#include "platform/Settings.h"
#include "platform/win32/WidePath.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The key file's first line, UTF-8.
std::string Passkey() {
    const auto bytes = ReadAll(Variable("PELORIN_E2E_KEY"));
    std::string line(bytes.begin(), bytes.end());
    return line.substr(0, line.find_first_of("\r\n"));
}

// PelorinDecrypt.exe restores everything of the archive beside it.
int DecryptWithProgram(const std::string& archive, const std::string& passkey) {
    Program program("PelorinDecrypt.exe", {archive});
    HWND dialog = program.Dialog("Pelorin Decrypt");
    if (dialog == nullptr) return -1;
    SetDlgItemTextW(dialog, IDC_PASSKEY, pelorin::platform::win32::Widen(passkey).c_str());
    CheckDlgButton(dialog, IDC_DECRYPT_ALL, BST_CHECKED);
    Press(dialog, IDOK);
    return program.ExitCode();
}

TEST(ModernBetweenSystems, WindowsEncryptsAndRestoresIntoAFreshFolder) {
    const std::string tree = Variable("PELORIN_E2E_TREE"), fresh = Variable("PELORIN_E2E_FRESH");
    if (tree.empty() || fresh.empty()) GTEST_SKIP() << "run by modern_between_systems_test.sh";
    pelorin::platform::SettingsStore settings(pelorin::encrypt::kSettingsKey);
    settings.Write(pelorin::encrypt::kKdfMemory.name, 8);
    ASSERT_EQ(EncryptWithProgram({tree}, 9, Passkey()), 0);
    const std::string copy = fresh + "\\" + tree.substr(tree.find_last_of('\\') + 1) + ".pvb";
    fs::copy_file(PathOf(tree + ".pvb"), PathOf(copy));
    EXPECT_EQ(DecryptWithProgram(copy, Passkey()), 0);
}

TEST(ModernBetweenSystems, WindowsRestoresAnArchiveOfTheLinuxTool) {
    const std::string archive = Variable("PELORIN_E2E_ARCHIVE");
    if (archive.empty()) GTEST_SKIP() << "run by modern_between_systems_test.sh";
    EXPECT_EQ(DecryptWithProgram(archive, Passkey()), 0);
}

}  // namespace
