#include "encrypt_app/win32/Win32Views.h"

#include <commctrl.h>

#include "app_common/win32/DialogHelpers.h"
#include "app_common/win32/Help.h"
#include "cipher/Scramble.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/win32/resource.h"

namespace pelorin::encrypt::win32 {
namespace {

using namespace pelorin::win32;

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
        SetControlText(dialog, IDC_OPT_PASSES, model.passes);
    }
    void FromControls(HWND dialog) {
        model.encryptHeaders = IsChecked(dialog, IDC_OPT_ENCHEADERS);
        model.hashPasskey = IsChecked(dialog, IDC_OPT_HASH);
        model.retainDelete = IsChecked(dialog, IDC_OPT_RETAIN);
        model.rememberAlgorithm = IsChecked(dialog, IDC_OPT_REMEMBER);
        model.overwrite = IsChecked(dialog, IDC_OPT_OVERWRITE);
        model.passes = ControlText(dialog, IDC_OPT_PASSES);
    }

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG: {
                model.Load(settings);
                SetUpPassesSpin(GetDlgItem(dialog, IDC_OPT_SPIN));
                ToControls(dialog);
                return TRUE;
            }
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_OPT_REMEMBER:
                        FromControls(dialog);
                        model.RememberToggled(settings);
                        ToControls(dialog);
                        return TRUE;
                    case IDOK:
                        FromControls(dialog);
                        model.Save(settings);
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
        bool passkeyExact = true, verifyExact = true;
        std::string typed = ControlTextInCodePage(dialog, IDC_PASSKEY, &passkeyExact);
        model.passkey = typed;
        ScrambleString(typed);
        typed = ControlTextInCodePage(dialog, IDC_VERIFY, &verifyExact);
        model.verify = typed;
        ScrambleString(typed);
        model.passkeyOutsideCodePage = !passkeyExact || !verifyExact;
        model.deleteSource = IsChecked(dialog, IDC_DELETE);
    }

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        if (INT_PTR result = 0; HandleMinimisedIcon(dialog, ui.instance(), IDR_MAINFRAME, message, &result)) {
            return result;
        }
        switch (message) {
            case WM_INITDIALOG: {
                ui.owner = dialog;
                PrepareMainDialog(dialog, ui.instance(), IDS_ABOUTBOX, IDR_MAINFRAME);
                SetControlTextInCodePage(dialog, IDC_PASSKEY, {model.passkey.c_str(), model.passkey.size()});
                SetControlTextInCodePage(dialog, IDC_VERIFY, {model.verify.c_str(), model.verify.size()});
                SetChecked(dialog, IDC_DELETE, model.deleteSource);
                if (model.selectedAlgorithm >= 0 && model.selectedAlgorithm <= 7) {
                    CheckDlgButton(dialog, kAlgorithmButtons[model.selectedAlgorithm], BST_CHECKED);
                }
                return TRUE;
            }
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                for (int n = 0; n < 8; ++n) {
                    if (id == kAlgorithmButtons[n]) {
                        model.selectedAlgorithm = n;
                        return TRUE;
                    }
                }
                switch (id) {
                    case IDOK: {
                        FromControls(dialog);
                        if (model.ValidateOk(ui, PasskeyHashingOn(ui.settings()))) {
                            ui.owner = nullptr;
                            EndDialog(dialog, IDOK);
                        } else if (model.refusedField != PasskeyField::None) {
                            // Typing replaces the refused text instead of adding to it.
                            SelectField(dialog, model.refusedField == PasskeyField::Verify ? IDC_VERIFY : IDC_PASSKEY);
                        }
                        return TRUE;
                    }
                    case IDCANCEL:
                        ui.owner = nullptr;
                        EndDialog(dialog, IDCANCEL);
                        return TRUE;
                    case IDC_OPTIONS_BUTTON: {
                        OptionsDialog options{{}, ui.settings()};
                        RunModalDialog(ui.instance(), IDD_OPTIONS, dialog, options);
                        return TRUE;
                    }
                    case IDC_HELP_BUTTON:
                        OpenHelpPage(dialog, kApplicationTitle, kHelpPage, HELP_CONTEXT_ENCRYPT);
                        return TRUE;
                }
                break;
            }
            case WM_SYSCOMMAND:
                if ((wParam & 0xFFF0) == kAboutCommand) {
                    DialogBoxParamW(ui.instance(), MAKEINTRESOURCEW(IDD_ABOUTBOX), dialog,
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
            case IDC_NOFILES_YES: OpenHelpPage(dialog, kApplicationTitle, kHelpPage, HELP_CONTEXT_NOFILES); [[fallthrough]];
            case IDC_NOFILES_NO:
            case IDCANCEL: EndDialog(dialog, LOWORD(wParam)); return TRUE;
        }
    }
    return FALSE;
}

}  // namespace

void Win32EncryptUi::ShowNoFilesDialog() {
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_NOFILES), nullptr, NoFilesProcedure, 0);
}

bool Win32EncryptUi::RunEncryptDialog(EncryptDialogModel& model) {
    MainDialog dialog{model, *this};
    const INT_PTR result = RunModalDialog(instance_, IDD_ENCRYPT, nullptr, dialog);
    owner = nullptr;
    return result == IDOK;
}

}  // namespace pelorin::encrypt::win32
