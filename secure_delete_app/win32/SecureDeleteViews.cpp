#include "secure_delete_app/win32/SecureDeleteViews.h"

#include "app_common/win32/DialogHelpers.h"
#include "secure_delete_app/SecureDeleteTexts.h"
#include "secure_delete_app/win32/resource.h"

namespace pelorin::secure_delete::win32 {
namespace {

using pelorin::win32::IsChecked;
using pelorin::win32::PrepareMainDialog;
using pelorin::win32::RunModalDialog;

// A text for a multi-line field: its lines end as the system's do.
std::string WithSystemLineEnds(const std::string& text) {
    std::string lines;
    for (const char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    return lines;
}

// The dialog that opens with a text (and the check box and what was
// dropped, when it has them) and closes with OK or Cancel, reading the box
// as it goes. The focus starts on the default button, never on the box,
// so that Space cannot tick it unseen.
class MessageDialog {
public:
    MessageDialog(HINSTANCE instance, const char* text, const DroppedSummary* dropped = nullptr)
        : instance_(instance), text_(text), dropped_(dropped) {}

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                PrepareMainDialog(dialog, instance_, 0, IDI_SUNDREL);
                pelorin::win32::SetControlText(dialog, IDC_MESSAGE_TEXT, text_);
                pelorin::win32::SetControlText(dialog, IDC_DO_NOT_REMIND, kDoNotRemindLabel);
                if (dropped_ != nullptr) {
                    pelorin::win32::SetControlText(
                        dialog, IDC_DROPPED_COUNT,
                        DroppedCountText(dropped_->files, dropped_->folders, dropped_->missing));
                    pelorin::win32::SetControlText(
                        dialog, IDC_DROPPED_NAMES,
                        WithSystemLineEnds(DroppedNamesText(dropped_->firstNames, dropped_->moreNames)));
                }
                SetForegroundWindow(dialog);
                SetFocus(GetDlgItem(dialog, IDOK));
                return FALSE;  // the focus is set
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
    const DroppedSummary* dropped_;
};

}  // namespace

Win32SecureDeleteUi::Win32SecureDeleteUi(HINSTANCE instance)
    : pelorin::win32::Win32Ui<SecureDeleteUi>(kApplicationTitle), instance_(instance) {}

void Win32SecureDeleteUi::ShowNothingDropped() {
    MessageDialog dialog(instance_, kNothingDroppedText);
    RunModalDialog(instance_, IDD_NOTHING_DROPPED, nullptr, dialog);
}

std::optional<Confirmation> Win32SecureDeleteUi::Confirm(const DroppedSummary& dropped) {
    MessageDialog dialog(instance_, kConfirmText, &dropped);
    const INT_PTR button = RunModalDialog(instance_, IDD_CONFIRM, nullptr, dialog);
    // -1 or 0: the dialog could not be made at all.
    if (button != IDOK && button != IDCANCEL) return std::nullopt;
    return Confirmation{button == IDOK, dialog.ticked};
}

}  // namespace pelorin::secure_delete::win32
