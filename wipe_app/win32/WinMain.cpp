// Pelorin Wipe: the main dialog is the program; it ends when the dialog closes.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app_common/TemporaryFiles.h"
#include "wipe_app/WipeTexts.h"
#include "wipe_app/win32/WipeDialog.h"
#include "app_common/win32/DialogHelpers.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    pelorin::win32::ShowSettingWarnings(pelorin::wipe_app::kApplicationTitle);
    // A fill file that a killed run left behind holds a drive's free space.
    std::vector<std::string> kept;
    for (const auto& removed : pelorin::RemoveLeftoverTemporaries(&kept)) {
        const std::string text = "A temporary file left behind by an interrupted job was removed:\n" + removed;
        pelorin::win32::ShowMessageBox(nullptr, pelorin::wipe_app::kApplicationTitle, text, std::nullopt,
                                       pelorin::MessageIcon::Information);
    }
    for (const auto& name : kept) {
        const std::string text = "Kept " + name + ": " + pelorin::kMaybeLeftoverText + ".";
        pelorin::win32::ShowMessageBox(nullptr, pelorin::wipe_app::kApplicationTitle, text, std::nullopt,
                                       pelorin::MessageIcon::Information);
    }
    pelorin::wipe_app::win32::WipeDialog dialog(instance);
    dialog.Run();
    return 0;
}
