#include "decrypt_app/win32/DecryptViews.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "app_common/win32/DialogHelpers.h"
#include "app_common/JobExit.h"
#include "archive/ClassicPasskey.h"
#include "cipher/Scramble.h"
#include "decrypt_app/win32/resource.h"
#include "platform/Utf8.h"
#include "platform/win32/WidePath.h"

namespace pelorin::decrypt::win32 {
namespace {

using namespace pelorin::win32;

// Restores the owner of message boxes when a dialog closes.
struct OwnerScope {
    Win32DecryptUi& ui;
    HWND previous;
    explicit OwnerScope(Win32DecryptUi& u) : ui(u), previous(u.owner) {}
    ~OwnerScope() { ui.owner = previous; }
};

// Scrubs what a dialog's passkey field held once the dialog is gone.
void ScrubPasskeyField(HWND dialog) {
    std::string typed = ControlText(dialog, IDC_PASSKEY);
    SetControlText(dialog, IDC_PASSKEY, std::string(typed.size(), ' '));
    ScrambleString(typed);
}

// The Options dialog over DecryptOptionsModel.
struct OptionsDialog {
    DecryptOptionsModel model;
    platform::SettingsStore& settings;

    void ToControls(HWND dialog) const {
        SetChecked(dialog, IDC_OPT_RETAIN, model.retain);
        SetControlText(dialog, IDC_OPT_PASSES, model.passes);
    }
    void FromControls(HWND dialog) {
        model.retain = IsChecked(dialog, IDC_OPT_RETAIN);
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
                    case IDC_OPT_RETAIN:
                        FromControls(dialog);
                        model.RetainToggled(settings);
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

// The main dialog over DecryptDialogModel.
struct MainDialog {
    DecryptDialogModel& model;
    Win32DecryptUi& ui;
    // A cancel confirmed while the key was derived, carried out of the
    // dialog's procedure (no exception crosses the system's frames) and
    // thrown again once the dialog is gone.
    std::optional<JobExit> pendingExit;
    bool validating = false;

    // The passkey as typed, UTF-8, in locked memory; classic archives take
    // it as text of the code page (the bytes as typed kept beside it), an
    // archive of version 8 as typed.
    void ReadPasskey(HWND dialog) {
        model.passkeyAsGiven.Clear();
        model.passkey.SetLength(ControlTextInto(dialog, IDC_PASSKEY, model.passkey.Room()));
        // A lone surrogate, which the field lets through, has no form in
        // the code page either.
        const bool utf8 = platform::IsUtf8({model.passkey.c_str(), model.passkey.size()});
        model.passkeyOutsideCodePage = archive::UseClassicPasskey(model.passkey, &model.passkeyAsGiven) ==
                                           archive::ClassicPasskey::OutsideCodePage ||
                                       !utf8;
    }

    // The model's OK. Opening the key of an archive of version 8 takes about
    // a second, under the wait cursor and with the status in the progress
    // window; the dialog takes no input meanwhile, so that a second OK or a
    // Cancel cannot come in while the first one runs.
    bool Validate(HWND dialog) {
        if (!model.modernHeader) return model.ValidateOk(ui, ui.settings());
        const BusyCursor busy;
        // A message box asked meanwhile enables its owner again when it
        // closes: the flag keeps the commands out all the same.
        validating = true;
        EnableWindow(dialog, FALSE);
        bool valid = false;
        try {
            valid = model.ValidateOk(ui, ui.settings());
        } catch (const JobExit& exit) {
            pendingExit = exit;
        }
        EnableWindow(dialog, TRUE);
        validating = false;
        return valid && !pendingExit;
    }

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        if (INT_PTR result = 0; HandleMinimisedIcon(dialog, ui.instance(), IDR_MAINFRAME, message, &result)) {
            return result;
        }
        if (SetBusyCursor(message, wParam)) {
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        switch (message) {
            case WM_INITDIALOG:
                ui.owner = dialog;
                PrepareMainDialog(dialog, ui.instance(), IDS_ABOUTBOX, IDR_MAINFRAME);
                SetChecked(dialog, IDC_DECRYPT_ALL, model.decryptAll);
                SetChecked(dialog, IDC_DELETE, model.deleteSources && !model.importMode);
                // Import cannot check the passkey, so its inputs are never wiped.
                if (model.importMode) EnableWindow(GetDlgItem(dialog, IDC_DELETE), FALSE);
                return TRUE;
            case WM_COMMAND:
                if (validating) return TRUE;
                switch (LOWORD(wParam)) {
                    case IDOK: {
                        ReadPasskey(dialog);
                        model.decryptAll = IsChecked(dialog, IDC_DECRYPT_ALL);
                        model.deleteSources = IsChecked(dialog, IDC_DELETE) && !model.importMode;
                        if (Validate(dialog)) {
                            ScrubPasskeyField(dialog);
                            EndDialog(dialog, IDOK);
                        } else if (pendingExit) {
                            ScrubPasskeyField(dialog);
                            EndDialog(dialog, IDCANCEL);
                        } else {
                            // Typing replaces the refused passkey instead of adding to it.
                            SelectField(dialog, IDC_PASSKEY);
                        }
                        return TRUE;
                    }
                    case IDCANCEL:
                        ScrubPasskeyField(dialog);
                        EndDialog(dialog, IDCANCEL);
                        return TRUE;
                    case IDC_OPTIONS_BUTTON: {
                        OptionsDialog options{{}, ui.settings()};
                        RunModalDialog(ui.instance(), IDD_OPTIONS, dialog, options);
                        return TRUE;
                    }
                }
                break;
            case WM_SYSCOMMAND:
                if ((wParam & 0xFFF0) == kAboutCommand) {
                    DialogBoxParamW(ui.instance(), MAKEINTRESOURCEW(IDD_ABOUTBOX), dialog, AboutProcedure, 0);
                    return TRUE;
                }
                break;
        }
        return FALSE;
    }
};

// The Choose Files dialog: the names sorted by the list box, all selected
// at first.
struct ChooseFilesDialog {
    const std::vector<std::string>& names;
    std::vector<std::string> chosen;
    Win32DecryptUi& ui;

    static void SelectAll(HWND dialog, bool select) {
        SendDlgItemMessageW(dialog, IDC_FILE_LIST, LB_SETSEL, select ? TRUE : FALSE, -1);  // -1: every item
    }

    // Each item keeps the number of its name, so that the name comes back
    // as it went in, whatever the list box does with its text.
    void Fill(HWND dialog) const {
        HWND list = GetDlgItem(dialog, IDC_FILE_LIST);
        HDC dc = GetDC(list);
        HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
        LONG widest = 0;
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::wstring shown = platform::win32::Widen(names[i]);
            const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
            if (at >= 0) SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
            SIZE size{};
            GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
            widest = std::max(widest, size.cx);
        }
        SelectObject(dc, font);
        ReleaseDC(list, dc);
        // Long names scroll sideways instead of being cut.
        SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
    }

    void TakeSelection(HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_FILE_LIST);
        std::vector<std::string> items;
        const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            const LRESULT index = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0);
            items.push_back(index >= 0 && static_cast<std::size_t>(index) < names.size()
                                ? names[static_cast<std::size_t>(index)]
                                : std::string());
        }
        const int selected = static_cast<int>(SendMessageW(list, LB_GETSELCOUNT, 0, 0));
        std::optional<std::vector<int>> indexes;
        if (selected >= 0) {
            std::vector<int> returned(static_cast<std::size_t>(selected));
            const LRESULT got = SendMessageW(list, LB_GETSELITEMS, returned.size(), reinterpret_cast<LPARAM>(returned.data()));
            if (got != LB_ERR) {
                returned.resize(static_cast<std::size_t>(got));
                indexes = std::move(returned);
            }
        }
        chosen = ChosenNames(items, selected, indexes, ui);
    }

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                ui.owner = dialog;
                Fill(dialog);
                SelectAll(dialog, true);
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_SELECT_ALL: SelectAll(dialog, true); return TRUE;
                    case IDC_DESELECT_ALL: SelectAll(dialog, false); return TRUE;
                    case IDOK:
                        TakeSelection(dialog);
                        EndDialog(dialog, IDOK);
                        return TRUE;
                    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                }
                break;
        }
        return FALSE;
    }
};

// The Import Options dialog over ImportOptionsModel.
struct ImportOptionsDialog {
    ImportOptionsModel model;
    Win32DecryptUi& ui;

    struct RadioButton {
        int id;
        int algorithm;
    };
    static constexpr RadioButton kButtons[8] = {
        {IDC_IMPORT_ASCII, 0},  {IDC_IMPORT_BLOWFISH, 1}, {IDC_IMPORT_DES, 2},   {IDC_IMPORT_IDEA, 3},
        {IDC_IMPORT_NEWDES, 4}, {IDC_IMPORT_RC4, 5},      {IDC_IMPORT_SAFER, 6}, {IDC_IMPORT_VIGENERE, 7}};

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                ui.owner = dialog;
                SetControlText(dialog, IDC_IMPORT_PADDING, model.paddingText);
                return TRUE;
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                for (const auto& button : kButtons) {
                    if (id == button.id) {
                        model.algorithm = button.algorithm;
                        return TRUE;
                    }
                }
                if (id == IDOK) {
                    model.paddingText = ControlText(dialog, IDC_IMPORT_PADDING);
                    if (model.ValidateOk(ui)) {
                        EndDialog(dialog, IDOK);
                    } else if (model.algorithm >= 0) {
                        SelectField(dialog, IDC_IMPORT_PADDING);  // the padding was refused
                    }
                    return TRUE;
                }
                if (id == IDCANCEL) {
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                }
                break;
            }
        }
        return FALSE;
    }
};

}  // namespace

bool Win32DecryptUi::AskWarningDefaultNo(const std::string& text) {
    return AskYesNoBox(owner, title(), text, std::nullopt, MessageIcon::Warning, DefaultAnswer::No);
}

bool Win32DecryptUi::RunDecryptDialog(DecryptDialogModel& model) {
    const OwnerScope scope(*this);
    MainDialog dialog{model, *this, std::nullopt};
    const bool accepted = RunModalDialog(instance_, IDD_DECRYPT, nullptr, dialog) == IDOK;
    if (dialog.pendingExit) throw *dialog.pendingExit;
    return accepted;
}

bool Win32DecryptUi::RunChooseFiles(const std::string&, const std::vector<std::string>& names,
                                    std::vector<std::string>& chosen) {
    const OwnerScope scope(*this);
    ChooseFilesDialog dialog{names, {}, *this};
    if (RunModalDialog(instance_, IDD_CHOOSE_FILES, nullptr, dialog) != IDOK) {
        return false;
    }
    chosen = std::move(dialog.chosen);
    return true;
}

bool Win32DecryptUi::RunImportOptions(const std::string&, int& algorithm, std::int64_t& padding) {
    const OwnerScope scope(*this);
    ImportOptionsDialog dialog{{}, *this};
    if (RunModalDialog(instance_, IDD_IMPORT_OPTIONS, nullptr, dialog) != IDOK) {
        return false;
    }
    algorithm = dialog.model.algorithm;
    padding = dialog.model.padding;
    return true;
}

}  // namespace pelorin::decrypt::win32
