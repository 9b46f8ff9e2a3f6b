#include "e2e/EncryptWithProgram.h"

#include "e2e/ProgramDriver.h"
#include "encrypt_app/win32/resource.h"
#include "platform/win32/WidePath.h"

namespace pelorin::e2e {

int EncryptWithProgram(const std::vector<std::string>& names, int algorithm, const std::string& passkey) {
    constexpr int kButtons[10] = {IDC_ALG_ASCII, IDC_ALG_BLOWFISH, IDC_ALG_DES,      IDC_ALG_IDEA, IDC_ALG_NEWDES,
                                  IDC_ALG_RC4,   IDC_ALG_SAFER,    IDC_ALG_VIGENERE, 0,            IDC_ALG_CHACHA};
    Program program("PelorinEncrypt.exe", names);
    HWND dialog = program.Dialog("Pelorin");
    if (dialog == nullptr) return -1;
    SendDlgItemMessageA(dialog, kButtons[algorithm], BM_CLICK, 0, 0);
    const std::wstring typed = platform::win32::Widen(passkey);
    SetDlgItemTextW(dialog, IDC_PASSKEY, typed.c_str());
    SetDlgItemTextW(dialog, IDC_VERIFY, typed.c_str());
    Press(dialog, IDOK);
    return program.ExitCode();
}

}  // namespace pelorin::e2e
