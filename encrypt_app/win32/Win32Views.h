#pragma once

#include <windows.h>

#include <string>

#include "app_common/ProgressDialog.h"
#include "app_common/win32/Win32Ui.h"
#include "encrypt_app/EncryptJob.h"
#include "platform/Settings.h"

namespace pelorin::encrypt::win32 {

// The application's title: the caption of its message boxes.
inline constexpr const char* kApplicationTitle = "Pelorin";
// The help page beside the program that Help opens.
inline constexpr const char* kHelpPage = "PelorinEncrypt.html";

// Message boxes, the no-files dialog and the main dialog as real windows.
class Win32EncryptUi final : public pelorin::win32::Win32Ui<EncryptUi> {
public:
    Win32EncryptUi(HINSTANCE instance, platform::SettingsStore& settings)
        : Win32Ui(kApplicationTitle), instance_(instance), settings_(settings) {}
    void ShowNoFilesDialog() override;
    bool RunEncryptDialog(EncryptDialogModel& model) override;
    // One box at the end instead of one per file during the run.
    bool ListsNotDoneAtEnd() const override { return true; }
    void SourceDeleted(const std::string& /*path*/) override { ++sourcesDeleted_; }
    std::size_t sourcesDeleted() const { return sourcesDeleted_; }

    HINSTANCE instance() const { return instance_; }
    platform::SettingsStore& settings() { return settings_; }

private:
    HINSTANCE instance_;
    platform::SettingsStore& settings_;
    std::size_t sourcesDeleted_ = 0;
};

}  // namespace pelorin::encrypt::win32
