#include "wipe_app/win32/WipeDialog.h"

#include <commctrl.h>

#include "app_common/ProgressDialog.h"
#include "app_common/win32/DialogHelpers.h"
#include "app_common/win32/Help.h"
#include "platform/Settings.h"
#include "platform/Volume.h"
#include "platform/win32/WidePath.h"
#include "wipe_app/BarPosition.h"
#include "wipe_app/RunSummary.h"
#include "wipe_app/StartRequest.h"
#include "wipe_app/WipeOptionsModel.h"
#include "wipe_app/WipeSettings.h"
#include "wipe_app/WipeTexts.h"
#include "wipe_app/win32/resource.h"

namespace pelorin::wipe_app::win32 {
namespace {

using namespace pelorin::win32;

constexpr const char* kHelpPage = "PelorinWipe.html";
// Disabled while a run goes on (Start until the run has settled).
constexpr int kRunControls[] = {IDC_STANDARD,       IDC_THOROUGH,      IDC_COMPLETE,      IDC_STANDARD_TEXT,
                                IDC_THOROUGH_TEXT,  IDC_COMPLETE_TEXT, IDC_OPTIONS_BUTTON, IDC_DRIVE_LIST};
constexpr int kFixedIcon = 1;
constexpr int kRemovableIcon = 0;
constexpr UINT_PTR kSettleTimer = 1;

int ButtonOf(WipeType type) {
    switch (type) {
        case WipeType::Thorough: return IDC_THOROUGH;
        case WipeType::Complete: return IDC_COMPLETE;
        default: return IDC_STANDARD;
    }
}

// Halfway between two colours: the chosen drives' background while the
// list has no focus, lighter than the focused highlight yet plain to see.
COLORREF Between(COLORREF a, COLORREF b) {
    return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2, (GetBValue(a) + GetBValue(b)) / 2);
}

// The worker's reports as messages sent to the dialog: it waits until the
// dialog has taken each one, so the dialog alone changes its controls.
class MessageView final : public WipeView {
public:
    explicit MessageView(HWND dialog) : dialog_(dialog) {}
    void Report(int position, const std::optional<std::string>& status) override {
        SendMessageW(dialog_, kProgressMessage, static_cast<WPARAM>(position),
                     status ? reinterpret_cast<LPARAM>(status->c_str()) : 0);
    }
    // The worker's thread tells the end with the run's result instead.
    void Finished() override {}

private:
    HWND dialog_;
};

// The Options dialog over WipeOptionsModel.
struct OptionsDialog {
    explicit OptionsDialog(Ui& shown) : ui(shown) {}

    WipeOptionsModel model;
    platform::SettingsStore global{kGlobalKey};
    platform::SettingsStore program{kProgramKey};
    Ui& ui;

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                model.Load(global, program);
                SetUpSpin(GetDlgItem(dialog, IDC_OPT_DISK_SPIN), 0, 10000, 3);
                SetUpSpin(GetDlgItem(dialog, IDC_OPT_MEMORY_SPIN), 0, 10000, 10);
                SetControlText(dialog, IDC_OPT_DISK, model.diskPasses);
                SetControlText(dialog, IDC_OPT_MEMORY, model.memoryPasses);
                CheckDlgButton(dialog, IDC_OPT_VERIFY, model.verify ? BST_CHECKED : BST_UNCHECKED);
                return TRUE;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK) {
                    model.diskPasses = ControlText(dialog, IDC_OPT_DISK);
                    model.memoryPasses = ControlText(dialog, IDC_OPT_MEMORY);
                    model.verify = IsDlgButtonChecked(dialog, IDC_OPT_VERIFY) == BST_CHECKED;
                    EndDialog(dialog, IDOK);
                    model.Save(global, program, ui);
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
    ChooseType(what >= 1 && what <= 3 ? static_cast<WipeType>(what) : WipeType::Standard);
    SendDlgItemMessageW(dialog_, IDC_BAR, PBM_SETRANGE32, 0, kBarFull);
}

void WipeDialog::FillDriveList() {
    HWND list = GetDlgItem(dialog_, IDC_DRIVE_LIST);
    HIMAGELIST icons = ImageList_LoadImageW(instance_, MAKEINTRESOURCEW(IDB_DRIVES), 16, 0, RGB(0, 128, 128),
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ListView_SetImageList(list, icons, LVSIL_SMALL);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 100;
    wchar_t heading[] = L"Drive name";
    column.pszText = heading;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    int row = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const auto type = platform::QueryDriveType(DriveRootOf(letter));
        if (type != platform::DriveType::Fixed && type != platform::DriveType::Removable) continue;
        std::wstring text = platform::win32::Widen(DriveListText(letter));
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row++;
        item.pszText = text.data();
        item.iImage = type == platform::DriveType::Fixed ? kFixedIcon : kRemovableIcon;
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    // The keyboard's place in the list shows as soon as the list has the
    // focus, before anything is chosen.
    ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

void WipeDialog::ChooseType(WipeType type) {
    chosenType_ = type;
    CheckRadioButton(dialog_, IDC_STANDARD, IDC_COMPLETE, ButtonOf(type));
}

LRESULT WipeDialog::DrawDriveItem(NMLVCUSTOMDRAW& draw) const {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    HWND list = draw.nmcd.hdr.hwndFrom;
    const int item = static_cast<int>(draw.nmcd.dwItemSpec);
    // With the focus the list shows its own highlight; without it (another
    // control in use, or a run going on) the chosen drives stay marked.
    if (GetFocus() == list || ListView_GetItemState(list, item, LVIS_SELECTED) == 0) return CDRF_DODEFAULT;
    draw.nmcd.uItemState &= ~CDIS_SELECTED;
    draw.clrTextBk = Between(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW));
    draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
    return CDRF_NEWFONT;
}

void WipeDialog::Start() {
    HWND list = GetDlgItem(dialog_, IDC_DRIVE_LIST);
    std::vector<std::string> selected;
    for (int index = ListView_GetNextItem(list, -1, LVNI_SELECTED); index >= 0;
         index = ListView_GetNextItem(list, index, LVNI_SELECTED)) {
        wchar_t text[16] = {};
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 16;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        selected.push_back(platform::win32::Narrow(text));
    }
    const WipeType type = chosenType_;
    const auto roots = PrepareStart(selected, type, ui_, platform::CanEnterDrive);
    if (!roots) return;
    if (worker_.joinable()) worker_.join();
    run_ = WipeRun{};
    run_.type = type;
    run_.roots = *roots;
    state_.cancel = false;
    EnterRun();
    view_ = std::make_unique<MessageView>(dialog_);
    workerUi_ = std::make_unique<pelorin::win32::Win32Ui<Ui>>(kApplicationTitle);
    workerUi_->owner = dialog_;
    worker_ = std::thread([this] {
        const int result = RunWipe(run_, state_, *view_, *workerUi_);
        SendMessageW(dialog_, kFinishedMessage, static_cast<WPARAM>(result), 0);
    });
}

// Puts the keyboard where it belongs now: on Cancel during a run, on the
// drive list while the run settles, then back where it was before the run.
// It moves the way the dialog manager moves it (the default button
// follows); while another window of the program is active (a message box,
// the About box) it moves once the dialog is active again.
void WipeDialog::FocusForState() {
    HWND target = running_    ? GetDlgItem(dialog_, IDCANCEL)
                  : settling_ ? GetDlgItem(dialog_, IDC_DRIVE_LIST)
                  : IsWindowEnabled(focusBeforeRun_) ? focusBeforeRun_
                                                     : GetDlgItem(dialog_, IDC_START);
    focusPending_ = GetActiveWindow() != dialog_;
    if (!focusPending_) SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
}

// Cancel takes the focus before the controls around it are disabled, so
// that Escape, Enter and Space reach it.
void WipeDialog::EnterRun() {
    HWND focus = GetFocus();
    focusBeforeRun_ = focus != nullptr && IsChild(dialog_, focus) ? focus : GetDlgItem(dialog_, IDC_START);
    running_ = true;
    SetControlText(dialog_, IDCANCEL, "Cancel");
    FocusForState();
    EnableWindow(GetDlgItem(dialog_, IDC_START), FALSE);
    for (const int id : kRunControls) EnableWindow(GetDlgItem(dialog_, id), FALSE);
}

// The run is over: the controls come back, while Close and Start settle
// first (kSettleMilliseconds); the status line tells how the run ended.
void WipeDialog::OnFinished(int result) {
    state_.cancel = false;
    running_ = false;
    settling_ = true;
    for (const int id : kRunControls) EnableWindow(GetDlgItem(dialog_, id), TRUE);
    FocusForState();
    SetControlText(dialog_, IDCANCEL, "&Close");
    EnableWindow(GetDlgItem(dialog_, IDCANCEL), FALSE);
    SendDlgItemMessageW(dialog_, IDC_BAR, PBM_SETPOS, 0, 0);
    SetControlText(dialog_, IDC_STATUS, FinishedLine(run_.type, run_.roots, result));
    SetTimer(dialog_, kSettleTimer, kSettleMilliseconds, nullptr);
}

void WipeDialog::EndSettling() {
    KillTimer(dialog_, kSettleTimer);
    settling_ = false;
    HWND close = GetDlgItem(dialog_, IDCANCEL);
    EnableWindow(GetDlgItem(dialog_, IDC_START), TRUE);
    EnableWindow(close, TRUE);
    // Back where it was before the run, unless the user has moved it since.
    HWND focus = GetFocus();
    if (focus == nullptr || focus == close || focus == GetDlgItem(dialog_, IDC_DRIVE_LIST) ||
        !IsChild(dialog_, focus)) {
        FocusForState();
    }
}

void WipeDialog::Close() {
    if (settling_) return;  // a click meant for Cancel, late
    if (running_) {
        // Asks as every progress window does; a Yes only asks the run to
        // stop, which it does at its next check. A run that ended while the
        // question was open has nothing left to stop.
        if (ui_.AskYesNo(kCancelQuestion, std::nullopt, MessageIcon::Exclamation) && running_) state_.cancel = true;
        return;
    }
    platform::SettingsStore program(kProgramKey);
    program.Write(kWhat.name, static_cast<std::uint32_t>(chosenType_));
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
            SendDlgItemMessageW(dialog, IDC_BAR, PBM_SETPOS, wParam, 0);
            if (lParam != 0) SetControlText(dialog, IDC_STATUS, reinterpret_cast<const char*>(lParam));
            return TRUE;
        case kFinishedMessage: OnFinished(static_cast<int>(wParam)); return TRUE;
        case WM_ACTIVATE:
            // After the dialog manager has put back the focus it kept.
            if (LOWORD(wParam) != WA_INACTIVE && focusPending_) PostMessageW(dialog, kFocusMessage, 0, 0);
            break;
        case kFocusMessage:
            if (focusPending_) FocusForState();
            return TRUE;
        case WM_TIMER:
            if (wParam != kSettleTimer) break;
            EndSettling();
            return TRUE;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->idFrom != IDC_DRIVE_LIST || header->code != NM_CUSTOMDRAW) break;
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, DrawDriveItem(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam)));
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_STANDARD:
                case IDC_THOROUGH:
                case IDC_COMPLETE:
                    if (HIWORD(wParam) != BN_CLICKED) break;
                    ChooseType(LOWORD(wParam) == IDC_STANDARD   ? WipeType::Standard
                               : LOWORD(wParam) == IDC_THOROUGH ? WipeType::Thorough
                                                                : WipeType::Complete);
                    return TRUE;
                case IDC_START: Start(); return TRUE;
                case IDCANCEL: Close(); return TRUE;
                case IDC_OPTIONS_BUTTON: {
                    OptionsDialog options(ui_);
                    RunModalDialog(instance_, IDD_OPTIONS, dialog, options);
                    return TRUE;
                }
                case IDC_HELP_BUTTON: OpenHelpPage(dialog, kApplicationTitle, kHelpPage, HELP_CONTEXT_WIPE); return TRUE;
            }
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == kAboutCommand) {
                DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUTBOX), dialog, AboutProcedure, 0);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace pelorin::wipe_app::win32
