#pragma once

#include <windows.h>

#include "app_common/win32/Win32Ui.h"
#include "secure_delete_app/SecureDeleteUi.h"

namespace pelorin::secure_delete::win32 {

// The program's message boxes (captioned "Secure Delete") and its two
// dialogs.
class Win32SecureDeleteUi final : public pelorin::win32::Win32Ui<SecureDeleteUi> {
public:
    explicit Win32SecureDeleteUi(HINSTANCE instance);
    void ShowNothingDropped() override;
    std::optional<Confirmation> Confirm(const DroppedSummary& dropped) override;

private:
    HINSTANCE instance_;
};

}  // namespace pelorin::secure_delete::win32
