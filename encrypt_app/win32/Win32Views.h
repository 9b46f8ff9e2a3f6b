#pragma once

#include <windows.h>

#include <string>

#include "app_common/ProgressDialog.h"
#include "encrypt_app/EncryptJob.h"
#include "platform/Settings.h"

namespace pelorin::encrypt::win32 {

// Opens the local help page beside the program at the topic for a context
// number (the old help viewer is gone from current Windows).
void OpenHelp(HWND owner, int context);

// Message boxes, the no-files dialog and the main dialog as real windows.
class Win32EncryptUi final : public EncryptUi {
public:
    Win32EncryptUi(HINSTANCE instance, platform::SettingsStore& settings) : instance_(instance), settings_(settings) {}
    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override;
    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override;
    void ShowNoFilesDialog() override;
    bool RunEncryptDialog(EncryptDialogModel& model) override;

    // The window message boxes belong to (the main dialog while it is open).
    HWND owner = nullptr;
    HINSTANCE instance() const { return instance_; }
    platform::SettingsStore& settings() { return settings_; }

private:
    HINSTANCE instance_;
    platform::SettingsStore& settings_;
};

}  // namespace pelorin::encrypt::win32
