#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app_common/Ui.h"

// What every program's dialogs do alike: message boxes, reading a control's
// text, the program icon and the About item of the system menu. Texts are
// UTF-8 here and wide at the system.
namespace pelorin::win32 {

// The system menu item that opens the About box; the menu reports it with
// the low four bits of the command number free.
inline constexpr UINT kAboutCommand = 0x0010;

// A message box owned by `owner`; a missing caption means `title`.
void ShowMessageBox(HWND owner, const char* title, const std::string& text,
                    const std::optional<std::string>& caption, MessageIcon icon);
enum class DefaultAnswer { Yes, No };
// True for Yes. `defaultAnswer` is the button that Enter presses.
bool AskYesNoBox(HWND owner, const char* title, const std::string& text, const std::optional<std::string>& caption,
                 MessageIcon icon, DefaultAnswer defaultAnswer = DefaultAnswer::Yes);
AbortRetryIgnore AskAbortRetryIgnoreBox(HWND owner, const char* title, const std::string& text,
                                        const std::optional<std::string>& caption, MessageIcon icon);

// From now on a setting read out of its range (a hand-edited registry
// value) is said in a message box with the program's title.
void ShowSettingWarnings(const char* title);

// A control's text, read and written wide, as UTF-8.
std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::string& text);

// A control's text as UTF-8 written straight into `into` (a secret's locked
// memory): the number of bytes it takes, or into.size() when it would not
// fit. The control's wide copy is overwritten on the way.
std::size_t ControlTextInto(HWND dialog, int id, std::span<std::uint8_t> into);

// While one lives, the program is busy (a key derivation in the dialog's OK):
// the pointer is the wait cursor over the program's windows, and a window
// procedure asks IsBusy() for WM_SETCURSOR.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    HCURSOR previous_;
};
bool IsBusy();
// Handles WM_SETCURSOR for a window while the program is busy: true (the
// wait cursor set) unless the pointer is over `exempt` (a Cancel button).
bool SetBusyCursor(UINT message, WPARAM wParam, HWND exempt = nullptr);

// Puts the keyboard focus on an edit field with its whole text selected, so
// that typing replaces it.
void SelectField(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);
bool IsChecked(HWND dialog, int id);

// A main dialog's opening: the About item (string resource `aboutString`,
// left out when that string is empty) and the program icon as the large and
// the small window icon.
void PrepareMainDialog(HWND dialog, HINSTANCE instance, int aboutString, int iconResource);

// The main dialog's handling of painting while minimised and of the drag
// icon. Returns true (with *result set) when it handled the message.
bool HandleMinimisedIcon(HWND dialog, HINSTANCE instance, int iconResource, UINT message, INT_PTR* result);

// The dialog procedure of a dialog object: the object given at creation
// receives every message through its Handle(dialog, message, wParam, lParam).
template <class Dialog>
INT_PTR CALLBACK ObjectDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self == nullptr ? FALSE : self->Handle(dialog, message, wParam, lParam);
}

// Shows dialog resource `resource` modally over `object`; returns the
// button that closed it.
template <class Dialog>
INT_PTR RunModalDialog(HINSTANCE instance, int resource, HWND owner, Dialog& object) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(resource), owner, ObjectDialogProcedure<Dialog>,
                           reinterpret_cast<LPARAM>(&object));
}

// An up-down control beside a number field: its range and start, one step
// at a time from the first moment.
void SetUpSpin(HWND spin, int lower, int upper, int start);

// The passes fields' spin of the encryptor and the decryptor.
inline void SetUpPassesSpin(HWND spin) { SetUpSpin(spin, 1, 999, 3); }

// An About box: OK, Enter and Escape close it.
INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace pelorin::win32
