#include "app_common/win32/Win32ProgressView.h"

#include <commctrl.h>

#include "app_common/win32/DialogHelpers.h"
#include "platform/win32/WidePath.h"

namespace pelorin::win32 {
namespace {

INT_PTR CALLBACK ProgressProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    // Busy (a key derivation): the wait cursor, but the plain pointer over
    // Cancel, which still works.
    if (SetBusyCursor(message, wParam, GetDlgItem(dialog, IDCANCEL))) {
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    auto* view = reinterpret_cast<Win32ProgressView*>(GetWindowLongPtrW(dialog, DWLP_USER));
    // Cancel, Enter, Escape and the close box all mean Cancel; the window stays.
    if (view != nullptr && ((message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) ||
                            message == WM_CLOSE)) {
        view->cancelPressed = true;
        return TRUE;
    }
    return FALSE;
}

}  // namespace

Win32ProgressView::~Win32ProgressView() { Close(); }

void Win32ProgressView::Close() {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
    cancelPressed = false;
}

HWND Win32ProgressView::Window() {
    if (window_ == nullptr) {
        window_ = CreateDialogParamW(instance_, MAKEINTRESOURCEW(dialogResource_), nullptr, ProgressProcedure,
                                     reinterpret_cast<LPARAM>(this));
        wchar_t caption[128] = {};
        if (window_ != nullptr && LoadStringW(instance_, captionString_, caption, 128) > 0) {
            SetWindowTextW(window_, caption);
        }
    }
    return window_;
}

void Win32ProgressView::ShowStatus(const std::string& text) {
    SetDlgItemTextW(Window(), controls_.status, platform::win32::Widen(text).c_str());
}

void Win32ProgressView::ShowRange(int lower, int upper) {
    SendDlgItemMessageW(Window(), controls_.bar, PBM_SETRANGE32, static_cast<WPARAM>(lower), upper);
}

void Win32ProgressView::ShowPosition(int position) {
    SendDlgItemMessageW(Window(), controls_.bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32ProgressView::ShowPercentText(const std::string& text) {
    SetDlgItemTextW(Window(), controls_.percent, platform::win32::Widen(text).c_str());
}

bool Win32ProgressView::PumpMessages() {
    HWND window = Window();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (window != nullptr && IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    const bool pressed = cancelPressed;
    cancelPressed = false;
    return pressed;
}

}  // namespace pelorin::win32
