#include "wipe_app/win32/WipeDialog.h"

#include <commctrl.h>

#include "app_common/win32/DialogHelpers.h"
#include "app_common/win32/Help.h"
#include "platform/Settings.h"
#include "platform/Volume.h"
#include "wipe_app/BarPosition.h"
#include "wipe_app/StartRequest.h"
#include "wipe_app/WipeOptionsModel.h"
#include "wipe_app/WipeSettings.h"
#include "wipe_app/WipeTexts.h"
#include "wipe_app/win32/resource.h"

namespace pelorin::wipe_app::win32 {
namespace {

using namespace pelorin::win32;

constexpr const char* kHelpPage = "PelorinWipe.html";
constexpr int kRadioButtons[3] = {IDC_STANDARD, IDC_THOROUGH, IDC_COMPLETE};
// Disabled while a run goes on.
constexpr int kRunControls[] = {IDC_START,         IDC_STANDARD,       IDC_THOROUGH,       IDC_COMPLETE,
                                IDC_STANDARD_TEXT, IDC_THOROUGH_TEXT,  IDC_COMPLETE_TEXT,  IDC_OPTIONS_BUTTON,
                                IDC_DRIVE_LIST};
constexpr int kFixedIcon = 1;
constexpr int kRemovableIcon = 0;

// The worker's reports as messages sent to the dialog: it waits until the
// dialog has taken each one, so the dialog alone changes its controls.
class MessageView final : public WipeView {
public:
    explicit MessageView(HWND dialog) : dialog_(dialog) {}
    void Report(int position, const std::optional<std::string>& status) override {
        SendMessageA(dialog_, kProgressMessage, static_cast<WPARAM>(position),
                     status ? reinterpret_cast<LPARAM>(status->c_str()) : 0);
    }
    void Finished() override { SendMessageA(dialog_, kFinishedMessage, 0, 0); }

private:
    HWND dialog_;
};

// The Options dialog over WipeOptionsModel.
struct OptionsDialog {
    WipeOptionsModel model;
    platform::SettingsStore global{kGlobalKey};
    Ui& ui;

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                model.Load(global);
                SetUpSpin(GetDlgItem(dialog, IDC_OPT_DISK_SPIN), 0, 10000, 3);
                SetUpSpin(GetDlgItem(dialog, IDC_OPT_MEMORY_SPIN), 0, 10000, 10);
                SetDlgItemTextA(dialog, IDC_OPT_DISK, model.diskPasses.c_str());
                SetDlgItemTextA(dialog, IDC_OPT_MEMORY, model.memoryPasses.c_str());
                return TRUE;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK) {
                    model.diskPasses = ControlText(dialog, IDC_OPT_DISK);
                    model.memoryPasses = ControlText(dialog, IDC_OPT_MEMORY);
                    EndDialog(dialog, IDOK);
                    model.Save(global, ui);
                    return TRUE;
                }
                if (LOWORD(wParam) == IDCANCEL) {
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                }
                break;
        }
        return FALSE;
    }
};

}  // namespace

WipeDialog::WipeDialog(HINSTANCE instance) : instance_(instance), ui_(kApplicationTitle) {}

WipeDialog::~WipeDialog() {
    state_.cancel = true;
    if (worker_.joinable()) worker_.join();
}

INT_PTR WipeDialog::Run() { return RunModalDialog(instance_, IDD_WIPE, nullptr, *this); }

void WipeDialog::OnInit() {
    ui_.owner = dialog_;
    PrepareMainDialog(dialog_, instance_, IDS_ABOUTBOX, IDR_MAINFRAME);
    FillDriveList();
    const platform::SettingsStore program(kProgramKey);
    const auto what = ReadSetting(program, kWhat);
    CheckRadioButton(dialog_, IDC_STANDARD, IDC_COMPLETE, kRadioButtons[what >= 1 && what <= 3 ? what - 1 : 0]);
    SendDlgItemMessageA(dialog_, IDC_BAR, PBM_SETRANGE32, 0, kBarFull);
}

void WipeDialog::FillDriveList() {
    HWND list = GetDlgItem(dialog_, IDC_DRIVE_LIST);
    HIMAGELIST icons = ImageList_LoadImageA(instance_, MAKEINTRESOURCEA(IDB_DRIVES), 16, 0, RGB(0, 128, 128),
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ListView_SetImageList(list, icons, LVSIL_SMALL);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 100;
    char heading[] = "Drive name";
    column.pszText = heading;
    ListView_InsertColumn(list, 0, &column);
    int row = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const auto type = platform::QueryDriveType(DriveRootOf(letter));
        if (type != platform::DriveType::Fixed && type != platform::DriveType::Removable) continue;
        std::string text = DriveListText(letter);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row++;
        item.pszText = text.data();
        item.iImage = type == platform::DriveType::Fixed ? kFixedIcon : kRemovableIcon;
        ListView_InsertItem(list, &item);
    }
}

WipeType WipeDialog::ChosenType() const {
    if (IsDlgButtonChecked(dialog_, IDC_THOROUGH) == BST_CHECKED) return WipeType::Thorough;
    if (IsDlgButtonChecked(dialog_, IDC_COMPLETE) == BST_CHECKED) return WipeType::Complete;
    return WipeType::Standard;
}

void WipeDialog::Start() {
    HWND list = GetDlgItem(dialog_, IDC_DRIVE_LIST);
    std::vector<std::string> selected;
    for (int index = ListView_GetNextItem(list, -1, LVNI_SELECTED); index >= 0;
         index = ListView_GetNextItem(list, index, LVNI_SELECTED)) {
        char text[16] = {};
        ListView_GetItemText(list, index, 0, text, sizeof text);
        selected.emplace_back(text);
    }
    const WipeType type = ChosenType();
    const auto roots = PrepareStart(selected, type, ui_, platform::CanEnterDrive);
    if (!roots) return;
    if (worker_.joinable()) worker_.join();
    run_ = WipeRun{};
    run_.type = type;
    run_.roots = *roots;
    state_.cancel = false;
    SetRunning(true);
    view_ = std::make_unique<MessageView>(dialog_);
    workerUi_ = std::make_unique<pelorin::win32::Win32Ui<Ui>>(kApplicationTitle);
    workerUi_->owner = dialog_;
    worker_ = std::thread([this] { RunWipe(run_, state_, *view_, *workerUi_); });
}

void WipeDialog::SetRunning(bool running) {
    running_ = running;
    SetDlgItemTextA(dialog_, IDCANCEL, running ? "Cancel" : "&Close");
    for (const int id : kRunControls) EnableWindow(GetDlgItem(dialog_, id), running ? FALSE : TRUE);
}

void WipeDialog::OnFinished() {
    state_.cancel = false;
    SetRunning(false);
    SendDlgItemMessageA(dialog_, IDC_BAR, PBM_SETPOS, 0, 0);
    SetDlgItemTextA(dialog_, IDC_STATUS, kFinishedStatus);
}

void WipeDialog::Close() {
    if (running_) {
        // Only asks the run to stop; it finishes at its next check.
        state_.cancel = true;
        return;
    }
    platform::SettingsStore program(kProgramKey);
    program.Write(kWhat.name, static_cast<std::uint32_t>(ChosenType()));
    EndDialog(dialog_, IDCANCEL);
}

INT_PTR WipeDialog::Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (INT_PTR result = 0; HandleMinimisedIcon(dialog, instance_, IDR_MAINFRAME, message, &result)) return result;
    switch (message) {
        case WM_INITDIALOG:
            dialog_ = dialog;
            OnInit();
            return TRUE;
        case kProgressMessage:
            SendDlgItemMessageA(dialog, IDC_BAR, PBM_SETPOS, wParam, 0);
            if (lParam != 0) SetDlgItemTextA(dialog, IDC_STATUS, reinterpret_cast<const char*>(lParam));
            return TRUE;
        case kFinishedMessage: OnFinished(); return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_START: Start(); return TRUE;
                case IDCANCEL: Close(); return TRUE;
                case IDC_OPTIONS_BUTTON: {
                    OptionsDialog options{{}, platform::SettingsStore(kGlobalKey), ui_};
                    RunModalDialog(instance_, IDD_OPTIONS, dialog, options);
                    return TRUE;
                }
                case IDC_HELP_BUTTON: OpenHelpPage(dialog, kApplicationTitle, kHelpPage, HELP_CONTEXT_WIPE); return TRUE;
            }
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == kAboutCommand) {
                DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_ABOUTBOX), dialog, AboutProcedure, 0);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace pelorin::wipe_app::win32
