#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "decrypt_app/DecryptJob.h"
#include "platform/Settings.h"

namespace pelorin::decrypt::win32 {

// The application's title: the caption of its message boxes.
inline constexpr const char* kApplicationTitle = "Pelorin Decrypt";

// Message boxes and the decryptor's dialogs as real windows.
class Win32DecryptUi final : public DecryptUi {
public:
    Win32DecryptUi(HINSTANCE instance, platform::SettingsStore& settings) : instance_(instance), settings_(settings) {}
    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override;
    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override;
    bool RunDecryptDialog(DecryptDialogModel& model) override;
    bool RunChooseFiles(const std::string& archivePath, const std::vector<std::string>& names,
                        std::vector<std::string>& chosen) override;
    bool RunImportOptions(const std::string& inputPath, int& algorithm, std::int64_t& padding) override;

    // The window message boxes belong to (the open dialog, if any).
    HWND owner = nullptr;
    HINSTANCE instance() const { return instance_; }
    platform::SettingsStore& settings() { return settings_; }

private:
    HINSTANCE instance_;
    platform::SettingsStore& settings_;
};

}  // namespace pelorin::decrypt::win32
