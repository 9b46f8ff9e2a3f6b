#include "app_common/win32/DialogHelpers.h"

#include <commctrl.h>

namespace pelorin::win32 {
namespace {

UINT IconFlag(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning: return MB_ICONWARNING;
        case MessageIcon::Information: return MB_ICONINFORMATION;
        case MessageIcon::Error: return MB_ICONERROR;
        default: return MB_ICONEXCLAMATION;
    }
}

}  // namespace

void ShowMessageBox(HWND owner, const char* title, const std::string& text,
                    const std::optional<std::string>& caption, MessageIcon icon) {
    MessageBoxA(owner, text.c_str(), caption ? caption->c_str() : title, MB_OK | IconFlag(icon));
}

bool AskYesNoBox(HWND owner, const char* title, const std::string& text, const std::optional<std::string>& caption,
                 MessageIcon icon) {
    return MessageBoxA(owner, text.c_str(), caption ? caption->c_str() : title, MB_YESNO | IconFlag(icon)) == IDYES;
}

std::string ControlText(HWND dialog, int id) {
    const int length = GetWindowTextLengthA(GetDlgItem(dialog, id));
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetDlgItemTextA(dialog, id, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void SetChecked(HWND dialog, int id, bool checked) { CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED); }

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void PrepareMainDialog(HWND dialog, HINSTANCE instance, int aboutString, int iconResource) {
    char about[128] = {};
    LoadStringA(instance, aboutString, about, sizeof about);
    if (about[0] != '\0') {
        HMENU menu = GetSystemMenu(dialog, FALSE);
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, kAboutCommand, about);
    }
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(iconResource));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool HandleMinimisedIcon(HWND dialog, HINSTANCE instance, int iconResource, UINT message, INT_PTR* result) {
    if (message == WM_PAINT && IsIconic(dialog)) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(dialog, &paint);
        RECT client;
        GetClientRect(dialog, &client);
        HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(iconResource));
        DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                 (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon);
        EndPaint(dialog, &paint);
        *result = TRUE;
        return true;
    }
    if (message == WM_QUERYDRAGICON) {
        *result = reinterpret_cast<INT_PTR>(LoadIconA(instance, MAKEINTRESOURCEA(iconResource)));
        return true;
    }
    return false;
}

void SetUpPassesSpin(HWND spin) {
    SendMessageA(spin, UDM_SETRANGE32, 1, 999);
    SendMessageA(spin, UDM_SETPOS32, 0, 3);
    UDACCEL acceleration{0, 1};
    SendMessageA(spin, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&acceleration));
}

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

}  // namespace pelorin::win32
