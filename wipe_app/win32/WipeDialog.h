#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <thread>

#include "app_common/win32/Win32Ui.h"
#include "wipe_app/WipeRun.h"

namespace pelorin::wipe_app::win32 {

// What the worker sends the dialog: the bar's position with an optional
// status text, and the end of the run with its result.
inline constexpr UINT kProgressMessage = WM_USER + 2;
inline constexpr UINT kFinishedMessage = WM_USER + 1;
// The dialog's own: the focus moves once the dialog is active again.
inline constexpr UINT kFocusMessage = WM_USER + 3;

// After a run, Close (where Cancel was) and Start wait this long before
// they take a click: one aimed at Cancel just as the run ended must not
// close the program or start another run.
inline constexpr UINT kSettleMilliseconds = 1000;

// The main dialog: the drive list, the wipe types, Start and Close, and the
// worker thread of a run.
class WipeDialog {
public:
    explicit WipeDialog(HINSTANCE instance);
    ~WipeDialog();
    // Shows the dialog; the program ends when it closes.
    INT_PTR Run();
    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void OnInit();
    void FillDriveList();
    // The one place that holds the chosen type: the buttons show it, Start
    // runs it and Close stores it.
    void ChooseType(WipeType type);
    void Start();
    void EnterRun();
    void OnFinished(int result);
    void EndSettling();
    void Close();
    void FocusForState();
    LRESULT DrawDriveItem(NMLVCUSTOMDRAW& draw) const;

    HINSTANCE instance_;
    HWND dialog_ = nullptr;
    pelorin::win32::Win32Ui<Ui> ui_;
    RunState state_;
    WipeType chosenType_ = WipeType::Standard;
    bool running_ = false;
    bool settling_ = false;
    HWND focusBeforeRun_ = nullptr;
    bool focusPending_ = false;
    WipeRun run_;
    std::unique_ptr<WipeView> view_;
    std::unique_ptr<pelorin::win32::Win32Ui<Ui>> workerUi_;
    std::thread worker_;
};

}  // namespace pelorin::wipe_app::win32
