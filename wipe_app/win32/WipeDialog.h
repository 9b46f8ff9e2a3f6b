#pragma once

#include <windows.h>

#include <memory>
#include <thread>

#include "app_common/win32/Win32Ui.h"
#include "wipe_app/WipeRun.h"

namespace pelorin::wipe_app::win32 {

// What the worker sends the dialog: the bar's position with an optional
// status text, and the end of the run.
inline constexpr UINT kProgressMessage = WM_USER + 2;
inline constexpr UINT kFinishedMessage = WM_USER + 1;

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
    void Start();
    void SetRunning(bool running);
    void OnFinished();
    void Close();
    WipeType ChosenType() const;

    HINSTANCE instance_;
    HWND dialog_ = nullptr;
    pelorin::win32::Win32Ui<Ui> ui_;
    RunState state_;
    bool running_ = false;
    WipeRun run_;
    std::unique_ptr<WipeView> view_;
    std::unique_ptr<pelorin::win32::Win32Ui<Ui>> workerUi_;
    std::thread worker_;
};

}  // namespace pelorin::wipe_app::win32
