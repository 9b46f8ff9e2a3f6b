#pragma once

#include <windows.h>

#include "app_common/Ui.h"
#include "app_common/win32/DialogHelpers.h"

namespace pelorin::win32 {

// What every program's Ui does alike as real windows: message boxes and
// questions with the application's title as their default caption, owned by
// the dialog that is open (if any). `Base` is the program's own Ui seam.
template <class Base>
class Win32Ui : public Base {
public:
    explicit Win32Ui(const char* title) : title_(title) {}

    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        ShowMessageBox(owner, title_, text, caption, icon);
    }
    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        return AskYesNoBox(owner, title_, text, caption, icon);
    }
    bool AskYesNoDefaultNo(const std::string& text, const std::optional<std::string>& caption,
                           MessageIcon icon) override {
        return AskYesNoBox(owner, title_, text, caption, icon, DefaultAnswer::No);
    }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& text, const std::optional<std::string>& caption,
                                         MessageIcon icon) override {
        return AskAbortRetryIgnoreBox(owner, title_, text, caption, icon);
    }

    const char* title() const { return title_; }

    // The window that message boxes belong to (the open dialog, if any).
    HWND owner = nullptr;

private:
    const char* title_;
};

}  // namespace pelorin::win32
