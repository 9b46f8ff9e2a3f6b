#include "encrypt_app/win32/Win32Views.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

#include "app_common/win32/DialogHelpers.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/win32/resource.h"

namespace pelorin::encrypt::win32 {
namespace {

using namespace pelorin::win32;

constexpr const char* kApplicationTitle = "Pelorin";
constexpr int kAlgorithmButtons[8] = {IDC_ALG_ASCII, IDC_ALG_BLOWFISH, IDC_ALG_DES,   IDC_ALG_IDEA,
                                      IDC_ALG_NEWDES, IDC_ALG_RC4,     IDC_ALG_SAFER, IDC_ALG_VIGENERE};

// The Options dialog: EncryptOptionsModel's fields in the controls.
struct OptionsDialog {
    EncryptOptionsModel model;
    platform::SettingsStore& settings;

    void ToControls(HWND dialog) const {
        SetChecked(dialog, IDC_OPT_ENCHEADERS, model.encryptHeaders);
        SetChecked(dialog, IDC_OPT_HASH, model.hashPasskey);
        SetChecked(dialog, IDC_OPT_RETAIN, model.retainDelete);
        SetChecked(dialog, IDC_OPT_REMEMBER, model.rememberAlgorithm);
        SetChecked(dialog, IDC_OPT_OVERWRITE, model.overwrite);
        SetDlgItemTextA(dialog, IDC_OPT_PASSES, model.passes.c_str());
    }
    void FromControls(HWND dialog) {
        model.encryptHeaders = IsChecked(dialog, IDC_OPT_ENCHEADERS);
        model.hashPasskey = IsChecked(dialog, IDC_OPT_HASH);
        model.retainDelete = IsChecked(dialog, IDC_OPT_RETAIN);
        model.rememberAlgorithm = IsChecked(dialog, IDC_OPT_REMEMBER);
        model.overwrite = IsChecked(dialog, IDC_OPT_OVERWRITE);
        model.passes = ControlText(dialog, IDC_OPT_PASSES);
    }

    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (self == nullptr) return FALSE;
        switch (message) {
            case WM_INITDIALOG: {
                self->model.Load(self->settings);
                HWND spin = GetDlgItem(dialog, IDC_OPT_SPIN);
                SendMessageA(spin, UDM_SETRANGE32, 1, 999);
                SendMessageA(spin, UDM_SETPOS32, 0, 3);
                UDACCEL acceleration{0, 1};
                SendMessageA(spin, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&acceleration));
                self->ToControls(dialog);
                return TRUE;
            }
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_OPT_REMEMBER:
                        self->FromControls(dialog);
                        self->model.RememberToggled(self->settings);
                        self->ToControls(dialog);
                        return TRUE;
                    case IDOK:
                        self->FromControls(dialog);
                        self->model.Save(self->settings);
                        EndDialog(dialog, IDOK);
                        return TRUE;
                    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                }
                break;
        }
        return FALSE;
    }
};

// The main dialog over EncryptDialogModel.
struct MainDialog {
    EncryptDialogModel& model;
    Win32EncryptUi& ui;

    void FromControls(HWND dialog) {
        model.passkey = ControlText(dialog, IDC_PASSKEY);
        model.verify = ControlText(dialog, IDC_VERIFY);
        model.deleteSource = IsChecked(dialog, IDC_DELETE);
    }

    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<MainDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (self == nullptr) return FALSE;
        if (INT_PTR result = 0; HandleMinimisedIcon(dialog, self->ui.instance(), IDR_MAINFRAME, message, &result)) {
            return result;
        }
        switch (message) {
            case WM_INITDIALOG: {
                self->ui.owner = dialog;
                PrepareMainDialog(dialog, self->ui.instance(), IDS_ABOUTBOX, IDR_MAINFRAME);
                SetDlgItemTextA(dialog, IDC_PASSKEY, self->model.passkey.c_str());
                SetDlgItemTextA(dialog, IDC_VERIFY, self->model.verify.c_str());
                SetChecked(dialog, IDC_DELETE, self->model.deleteSource);
                if (self->model.selectedAlgorithm >= 0 && self->model.selectedAlgorithm <= 7) {
                    CheckDlgButton(dialog, kAlgorithmButtons[self->model.selectedAlgorithm], BST_CHECKED);
                }
                return TRUE;
            }
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                for (int n = 0; n < 8; ++n) {
                    if (id == kAlgorithmButtons[n]) {
                        self->model.selectedAlgorithm = n;
                        return TRUE;
                    }
                }
                switch (id) {
                    case IDOK: {
                        self->FromControls(dialog);
                        const bool hash =
                            self->ui.settings().ReadOr(kHashPasskey.name, kHashPasskey.defaultValue) != 0;
                        if (self->model.ValidateOk(self->ui, hash)) {
                            self->ui.owner = nullptr;
                            EndDialog(dialog, IDOK);
                        }
                        return TRUE;
                    }
                    case IDCANCEL:
                        self->ui.owner = nullptr;
                        EndDialog(dialog, IDCANCEL);
                        return TRUE;
                    case IDC_OPTIONS_BUTTON: {
                        OptionsDialog options{{}, self->ui.settings()};
                        DialogBoxParamA(self->ui.instance(), MAKEINTRESOURCEA(IDD_OPTIONS), dialog,
                                        OptionsDialog::Procedure, reinterpret_cast<LPARAM>(&options));
                        return TRUE;
                    }
                    case IDC_HELP_BUTTON: OpenHelp(dialog, HELP_CONTEXT_ENCRYPT); return TRUE;
                }
                break;
            }
            case WM_SYSCOMMAND:
                if ((wParam & 0xFFF0) == kAboutCommand) {
                    DialogBoxParamA(self->ui.instance(), MAKEINTRESOURCEA(IDD_ABOUTBOX), dialog,
                                    AboutProcedure, 0);
                    return TRUE;
                }
                break;
        }
        return FALSE;
    }
};

INT_PTR CALLBACK NoFilesProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
            case IDC_NOFILES_YES: OpenHelp(dialog, HELP_CONTEXT_NOFILES); [[fallthrough]];
            case IDC_NOFILES_NO:
            case IDCANCEL: EndDialog(dialog, LOWORD(wParam)); return TRUE;
        }
    }
    return FALSE;
}

}  // namespace

void OpenHelp(HWND owner, int context) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string page = module;
    const std::size_t cut = page.find_last_of('\\');
    page = page.substr(0, cut + 1) + "PelorinEncrypt.html";
    for (char& c : page) {
        if (c == '\\') c = '/';
    }
    const std::string address = "file:///" + page + "#" + std::to_string(context);
    ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32EncryptUi::ShowMessage(const std::string& text, const std::optional<std::string>& caption,
                                 MessageIcon icon) {
    ShowMessageBox(owner, kApplicationTitle, text, caption, icon);
}

bool Win32EncryptUi::AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) {
    return AskYesNoBox(owner, kApplicationTitle, text, caption, icon);
}

void Win32EncryptUi::ShowNoFilesDialog() {
    DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_NOFILES), nullptr, NoFilesProcedure, 0);
}

bool Win32EncryptUi::RunEncryptDialog(EncryptDialogModel& model) {
    MainDialog dialog{model, *this};
    const INT_PTR result = DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_ENCRYPT), nullptr, MainDialog::Procedure,
                                           reinterpret_cast<LPARAM>(&dialog));
    owner = nullptr;
    return result == IDOK;
}

}  // namespace pelorin::encrypt::win32
