#pragma once

#include <windows.h>

#include "app_common/ProgressDialog.h"

namespace pelorin::win32 {

// The controls of a progress window in a program's resource script.
struct ProgressControlIds {
    int status;
    int percent;
    int bar;
};

// The modeless progress window of a program: its dialog resource, the
// string resource whose text becomes the caption, and its controls. The
// window is created on first use and destroyed when its phase ends.
class Win32ProgressView final : public ProgressView {
public:
    Win32ProgressView(HINSTANCE instance, int dialogResource, int captionString, ProgressControlIds controls)
        : instance_(instance), dialogResource_(dialogResource), captionString_(captionString), controls_(controls) {}
    ~Win32ProgressView() override;
    void ShowStatus(const std::string& text) override;
    void ShowRange(int lower, int upper) override;
    void ShowPosition(int position) override;
    void ShowPercentText(const std::string& text) override;
    bool PumpMessages() override;
    void Close() override;

    bool cancelPressed = false;

private:
    HWND Window();
    HINSTANCE instance_;
    int dialogResource_;
    int captionString_;
    ProgressControlIds controls_;
    HWND window_ = nullptr;
};

}  // namespace pelorin::win32
