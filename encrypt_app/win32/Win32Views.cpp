#include "encrypt_app/win32/Win32Views.h"

#include <commctrl.h>

#include "app_common/win32/DialogHelpers.h"
#include "app_common/win32/Help.h"
#include "archive/ClassicPasskey.h"
#include "archive/ModernFormat.h"
#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/win32/resource.h"
#include "platform/Utf8.h"

namespace pelorin::encrypt::win32 {
namespace {

using namespace pelorin::win32;

// The algorithm numbers and their radio buttons.
struct AlgorithmButton {
    int algorithm;
    int id;
};
constexpr AlgorithmButton kAlgorithmButtons[] = {
    {archive::kModernAlgorithm, IDC_ALG_CHACHA},
    {0, IDC_ALG_ASCII},
    {1, IDC_ALG_BLOWFISH},
    {2, IDC_ALG_DES},
    {3, IDC_ALG_IDEA},
    {4, IDC_ALG_NEWDES},
    {5, IDC_ALG_RC4},
    {6, IDC_ALG_SAFER},
    {7, IDC_ALG_VIGENERE},
};

// A passkey field's text as UTF-8, straight into the passkey's locked memory.
void ReadPasskeyField(HWND dialog, int id, Passkey& passkey) {
    passkey.SetLength(ControlTextInto(dialog, id, passkey.Room()));
}

// Puts a typed passkey into the code page's form; false when it has none: a
// character the code page lacks, or a lone surrogate, which the field lets
// through and no other system could type.
bool TakesClassicForm(Passkey& passkey) {
    const bool utf8 = platform::IsUtf8({reinterpret_cast<const char*>(passkey.bytes().data()), passkey.size()});
    return archive::UseClassicPasskey(passkey) != archive::ClassicPasskey::OutsideCodePage && utf8;
}

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

    // The passkey as typed (UTF-8); a classic algorithm takes it as text of
    // the code page its archives keep, as they always have.
    void FromControls(HWND dialog) {
        ReadPasskeyField(dialog, IDC_PASSKEY, model.passkey);
        ReadPasskeyField(dialog, IDC_VERIFY, model.verify);
        model.passkeyOutsideCodePage = false;
        if (model.selectedAlgorithm != archive::kModernAlgorithm) {
            for (Passkey* typed : {&model.passkey, &model.verify}) {
                if (!TakesClassicForm(*typed)) model.passkeyOutsideCodePage = true;
            }
        }
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
                SetChecked(dialog, IDC_DELETE, model.deleteSource);
                for (const auto& button : kAlgorithmButtons) {
                    if (button.algorithm == model.selectedAlgorithm) CheckDlgButton(dialog, button.id, BST_CHECKED);
                }
                return TRUE;
            }
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                for (const auto& button : kAlgorithmButtons) {
                    if (id == button.id) {
                        model.selectedAlgorithm = button.algorithm;
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
