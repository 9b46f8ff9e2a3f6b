// Sundrel: no main window. The names dropped on its icon arrive as
// arguments; the job runs from here and the process ends with it.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app_common/JobExit.h"
#include "app_common/win32/DialogHelpers.h"
#include "app_common/win32/StartNames.h"
#include "app_common/win32/Win32ProgressView.h"
#include "platform/Settings.h"
#include "secure_delete_app/SecureDeleteJob.h"
#include "secure_delete_app/SecureDeleteSettings.h"
#include "secure_delete_app/SecureDeleteTexts.h"
#include "secure_delete_app/win32/SecureDeleteViews.h"
#include "secure_delete_app/win32/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Every argument is a path, switch-like or not. Started by the Explorer
    // menu for one of several selected items, the program may hand its name
    // to the instance that deletes them all after one confirmation.
    const auto start = pelorin::win32::ReadStartNames(L"Sundrel");
    if (start.handedOver) return 0;
    const std::vector<std::string>& paths = start.names;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    pelorin::win32::ShowSettingWarnings(pelorin::secure_delete::kApplicationTitle);
    using namespace pelorin::secure_delete;

    pelorin::platform::SettingsStore settings(kSettingsKey);
    win32::Win32SecureDeleteUi ui(instance);
    pelorin::win32::Win32ProgressView progress(instance, IDD_PROGRESS, IDS_PROGRESS_CAPTION,
                                               {IDC_PROGRESS_STATUS, IDC_PROGRESS_PERCENT, IDC_PROGRESS_BAR});
    const SecureDeleteResult result = RunSecureDelete(paths, settings, ui, progress);
    switch (result.outcome) {
        case DeleteOutcome::Cancelled: return pelorin::kExitCancelled;
        case DeleteOutcome::ItemsLeft: return pelorin::kExitIncomplete;
        default: return 0;
    }
}
