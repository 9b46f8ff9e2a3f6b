// Pelorin Decrypt: the whole job runs from here and the process ends with it.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <optional>
#include <string>
#include <vector>

#include "app_common/JobExit.h"
#include "app_common/win32/StartNames.h"
#include "app_common/win32/Win32ProgressView.h"
#include "cipher/Scramble.h"
#include "decrypt_app/DecryptJob.h"
#include "decrypt_app/DecryptSettings.h"
#include "decrypt_app/OpenSelection.h"
#include "decrypt_app/win32/DecryptViews.h"
#include "decrypt_app/win32/resource.h"
#include "platform/Paths.h"
#include "platform/win32/WidePath.h"
#include "app_common/win32/DialogHelpers.h"

namespace {

using namespace pelorin::decrypt;
using pelorin::platform::win32::Narrow;
using pelorin::platform::win32::Widen;

// The archive paths, scrubbed when the program ends.
struct ArchiveList {
    std::vector<std::string> paths;
    ~ArchiveList() {
        for (auto& path : paths) pelorin::ScrambleString(path);
    }
};

// The Open dialog; nothing for Cancel or a selection that does not fit.
std::optional<std::vector<std::string>> AskForArchives(win32::Win32DecryptUi& ui) {
    const std::wstring filter = Widen(SystemFilter(kOpenFilter));
    const std::wstring title = Widen(kOpenTitle);
    const std::wstring extension = Widen(kOpenDefaultExtension);
    std::vector<wchar_t> buffer(kOpenBufferSize, L'\0');
    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.lpstrFilter = filter.c_str();
    open.nFilterIndex = 1;
    open.lpstrFile = buffer.data();
    open.nMaxFile = static_cast<DWORD>(buffer.size());
    open.lpstrTitle = title.c_str();
    open.lpstrDefExt = extension.c_str();
    open.Flags = OFN_ALLOWMULTISELECT | OFN_LONGNAMES | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&open)) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
            ui.ShowMessage(kTooManySelectedText, std::nullopt, pelorin::MessageIcon::Information);
        }
        return std::nullopt;
    }
    return SelectedPaths(Narrow(std::wstring(buffer.data(), buffer.size())));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    pelorin::win32::ShowSettingWarnings(pelorin::decrypt::win32::kApplicationTitle);
    const auto arguments = pelorin::win32::ReadStartNames(L"PelorinDecrypt").names;
    const DecryptCommandLine line = ParseDecryptCommandLine(arguments);

    pelorin::platform::SettingsStore settings(kSettingsKey);
    win32::Win32DecryptUi ui(instance, settings);
    pelorin::win32::Win32ProgressView progress(instance, IDD_PROGRESS, IDS_PROGRESS_CAPTION,
                                               {IDC_PROGRESS_STATUS, IDC_PROGRESS_PERCENT, IDC_PROGRESS_BAR});
    ArchiveList archives;
    if (line.firstFileName.empty()) {
        auto chosen = AskForArchives(ui);
        if (!chosen) return kExitDone;
        archives.paths = std::move(*chosen);
    } else {
        for (const auto& name : line.parameters) archives.paths.push_back(pelorin::platform::AbsolutePath(name));
    }
    try {
        return RunDecryptJob(archives.paths, line.importMode, ui, progress, settings);
    } catch (const pelorin::JobExit& exit) {
        return exit.status();
    }
}
