#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app_common/win32/Win32Ui.h"
#include "decrypt_app/DecryptJob.h"
#include "platform/Settings.h"

namespace pelorin::decrypt::win32 {

// The application's title: the caption of its message boxes.
inline constexpr const char* kApplicationTitle = "Pelorin Decrypt";

// Message boxes and the decryptor's dialogs as real windows.
class Win32DecryptUi final : public pelorin::win32::Win32Ui<DecryptUi> {
public:
    Win32DecryptUi(HINSTANCE instance, platform::SettingsStore& settings)
        : Win32Ui(kApplicationTitle), instance_(instance), settings_(settings) {}
    bool RunDecryptDialog(DecryptDialogModel& model) override;
    bool RunChooseFiles(const std::string& archivePath, const std::vector<std::string>& names,
                        std::vector<std::string>& chosen) override;
    bool RunImportOptions(const std::string& inputPath, int& algorithm, std::int64_t& padding) override;

    HINSTANCE instance() const { return instance_; }
    platform::SettingsStore& settings() { return settings_; }

protected:
    // A warning box with Yes and No whose default button is No: Enter alone
    // never deletes an archive.
    bool AskWarningDefaultNo(const std::string& text) override;

private:
    HINSTANCE instance_;
    platform::SettingsStore& settings_;
};

}  // namespace pelorin::decrypt::win32
