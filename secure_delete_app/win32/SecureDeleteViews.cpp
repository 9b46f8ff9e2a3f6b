#include "secure_delete_app/win32/SecureDeleteViews.h"

#include "app_common/win32/DialogHelpers.h"
#include "secure_delete_app/SecureDeleteTexts.h"
#include "secure_delete_app/win32/resource.h"

namespace pelorin::secure_delete::win32 {
namespace {

using pelorin::win32::IsChecked;
using pelorin::win32::PrepareMainDialog;
using pelorin::win32::RunModalDialog;

// The dialog that opens with a text (and the check box, when it has one)
// and closes with OK or Cancel, reading the box as it goes.
class MessageDialog {
public:
    MessageDialog(HINSTANCE instance, const char* text) : instance_(instance), text_(text) {}

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                PrepareMainDialog(dialog, instance_, 0, IDI_SUNDREL);
                SetDlgItemTextA(dialog, IDC_MESSAGE_TEXT, text_);
                SetDlgItemTextA(dialog, IDC_DO_NOT_REMIND, kDoNotRemindLabel);
                SetForegroundWindow(dialog);
                return TRUE;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                    ticked = GetDlgItem(dialog, IDC_DO_NOT_REMIND) != nullptr && IsChecked(dialog, IDC_DO_NOT_REMIND);
                    EndDialog(dialog, LOWORD(wParam));
                    return TRUE;
                }
                return FALSE;
            default: return FALSE;
        }
    }

    bool ticked = false;

private:
    HINSTANCE instance_;
    const char* text_;
};

}  // namespace

Win32SecureDeleteUi::Win32SecureDeleteUi(HINSTANCE instance)
    : pelorin::win32::Win32Ui<SecureDeleteUi>(kApplicationTitle), instance_(instance) {}

void Win32SecureDeleteUi::ShowNothingDropped() {
    MessageDialog dialog(instance_, kNothingDroppedText);
    RunModalDialog(instance_, IDD_NOTHING_DROPPED, nullptr, dialog);
}

std::optional<Confirmation> Win32SecureDeleteUi::Confirm() {
    MessageDialog dialog(instance_, kConfirmText);
    const INT_PTR button = RunModalDialog(instance_, IDD_CONFIRM, nullptr, dialog);
    // -1 or 0: the dialog could not be made at all.
    if (button != IDOK && button != IDCANCEL) return std::nullopt;
    return Confirmation{button == IDOK, dialog.ticked};
}

}  // namespace pelorin::secure_delete::win32
