// Pelorin Encrypt: the whole job runs from here and the process ends with it.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "app_common/JobExit.h"
#include "encrypt_app/EncryptJob.h"
#include "encrypt_app/EncryptSettings.h"
#include "app_common/win32/StartNames.h"
#include "app_common/win32/Win32ProgressView.h"
#include "encrypt_app/win32/Win32Views.h"
#include "encrypt_app/win32/resource.h"
#include "app_common/win32/DialogHelpers.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Started by the Explorer menu for one of several selected items, the
    // program may hand its name to the instance that encrypts them all.
    const auto start = pelorin::win32::ReadStartNames(L"PelorinEncrypt");
    if (start.handedOver) return 0;
    const std::vector<std::string>& arguments = start.names;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    pelorin::win32::ShowSettingWarnings(pelorin::encrypt::win32::kApplicationTitle);

    pelorin::platform::SettingsStore settings(pelorin::encrypt::kSettingsKey);
    pelorin::encrypt::win32::Win32EncryptUi ui(instance, settings);
    pelorin::win32::Win32ProgressView progress(instance, IDD_PROGRESS, IDS_PROGRESS_CAPTION,
                                               {IDC_PROGRESS_STATUS, IDC_PROGRESS_PERCENT, IDC_PROGRESS_BAR});
    std::string archive;
    try {
        return pelorin::encrypt::RunEncryptJob(arguments, ui, progress, settings, &archive);
    } catch (const pelorin::JobExit& exit) {
        // Sources deleted before the stop live only in the archive left.
        if (ui.sourcesDeleted() > 0 && !archive.empty()) {
            ui.ShowMessage("Stopped: " + pelorin::encrypt::StoppedArchiveText(archive, ui.sourcesDeleted()) + ".",
                           std::nullopt, pelorin::MessageIcon::Exclamation);
        }
        return exit.status();
    }
}
