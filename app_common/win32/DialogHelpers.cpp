#include "app_common/win32/DialogHelpers.h"

#include "app_common/Setting.h"
#include "platform/Utf8.h"
#include "platform/win32/WidePath.h"

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

using platform::win32::Narrow;
using platform::win32::Widen;

int MessageBoxOf(HWND owner, const char* title, const std::string& text, const std::optional<std::string>& caption,
                 UINT style) {
    return MessageBoxW(owner, Widen(text).c_str(), Widen(caption ? *caption : std::string(title)).c_str(), style);
}

}  // namespace

void ShowMessageBox(HWND owner, const char* title, const std::string& text,
                    const std::optional<std::string>& caption, MessageIcon icon) {
    MessageBoxOf(owner, title, text, caption, MB_OK | IconFlag(icon));
}

namespace {
const char* settingWarningTitle = "";
}  // namespace

void ShowSettingWarnings(const char* title) {
    settingWarningTitle = title;
    SetSettingWarning([](const std::string& text) {
        ShowMessageBox(nullptr, settingWarningTitle, text + ".", std::nullopt, MessageIcon::Exclamation);
    });
}

bool AskYesNoBox(HWND owner, const char* title, const std::string& text, const std::optional<std::string>& caption,
                 MessageIcon icon, DefaultAnswer defaultAnswer) {
    const UINT defaultButton = defaultAnswer == DefaultAnswer::No ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
    return MessageBoxOf(owner, title, text, caption, MB_YESNO | defaultButton | IconFlag(icon)) == IDYES;
}

AbortRetryIgnore AskAbortRetryIgnoreBox(HWND owner, const char* title, const std::string& text,
                                        const std::optional<std::string>& caption, MessageIcon icon) {
    switch (MessageBoxOf(owner, title, text, caption, MB_ABORTRETRYIGNORE | IconFlag(icon))) {
        case IDRETRY: return AbortRetryIgnore::Retry;
        case IDIGNORE: return AbortRetryIgnore::Ignore;
        default: return AbortRetryIgnore::Abort;
    }
}

namespace {

// The control's text as the system holds it, wide; the caller scrubs it.
std::wstring WideControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(control);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(control, wide.data(), length + 1);
    wide.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return wide;
}

}  // namespace

std::string ControlText(HWND dialog, int id) { return Narrow(WideControlText(dialog, id)); }

void SetControlText(HWND dialog, int id, const std::string& text) {
    SetDlgItemTextW(dialog, id, Widen(text).c_str());
}

std::size_t ControlTextInto(HWND dialog, int id, std::span<std::uint8_t> into) {
    std::wstring wide = WideControlText(dialog, id);
    const std::size_t length =
        platform::Utf8FromUtf16Into(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()), into);
    SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
    return length;
}

namespace {
int busyScopes = 0;
// The system's wait cursor (IDC_WAIT, which names it only in the narrow form).
HCURSOR WaitCursor() { return LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)); }
}  // namespace

BusyCursor::BusyCursor() : previous_(SetCursor(WaitCursor())) { ++busyScopes; }

BusyCursor::~BusyCursor() {
    --busyScopes;
    SetCursor(previous_);
}

bool IsBusy() { return busyScopes > 0; }

bool SetBusyCursor(UINT message, WPARAM wParam, HWND exempt) {
    if (message != WM_SETCURSOR || !IsBusy() || (exempt != nullptr && reinterpret_cast<HWND>(wParam) == exempt)) {
        return false;
    }
    SetCursor(WaitCursor());
    return true;
}

void SelectField(HWND dialog, int id) {
    HWND field = GetDlgItem(dialog, id);
    SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);
}

void SetChecked(HWND dialog, int id, bool checked) { CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED); }

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void PrepareMainDialog(HWND dialog, HINSTANCE instance, int aboutString, int iconResource) {
    wchar_t about[128] = {};
    LoadStringW(instance, aboutString, about, 128);
    if (about[0] != L'\0') {
        HMENU menu = GetSystemMenu(dialog, FALSE);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kAboutCommand, about);
    }
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(iconResource));
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool HandleMinimisedIcon(HWND dialog, HINSTANCE instance, int iconResource, UINT message, INT_PTR* result) {
    if (message == WM_PAINT && IsIconic(dialog)) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(dialog, &paint);
        RECT client;
        GetClientRect(dialog, &client);
        HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(iconResource));
        DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                 (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon);
        EndPaint(dialog, &paint);
        *result = TRUE;
        return true;
    }
    if (message == WM_QUERYDRAGICON) {
        *result = reinterpret_cast<INT_PTR>(LoadIconW(instance, MAKEINTRESOURCEW(iconResource)));
        return true;
    }
    return false;
}

void SetUpSpin(HWND spin, int lower, int upper, int start) {
    SendMessageW(spin, UDM_SETRANGE32, static_cast<WPARAM>(lower), upper);
    SendMessageW(spin, UDM_SETPOS32, 0, start);
    UDACCEL acceleration{0, 1};
    SendMessageW(spin, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&acceleration));
}

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

}  // namespace pelorin::win32
