#pragma once

#include <cstdint>
#include <string>

#include "app_common/Ui.h"

namespace pelorin {

// What a progress window shows; implemented by the Windows dialog, the
// terminal's progress bar and the tests.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ShowRange(int lower, int upper) = 0;
    virtual void ShowPosition(int position) = 0;
    virtual void ShowPercentText(const std::string& text) = 0;
    // Handles pending input (window messages, a Cancel click) without
    // waiting. True when Cancel was pressed since the last call.
    virtual bool PumpMessages() = 0;
    // The phase that used the window ended: a window goes away (the next
    // Show call opens a new one).
    virtual void Close() {}
    // Entries begun and their bytes done so far in the whole job, for views
    // that show amounts and rates (the window shows the bar only).
    virtual void ShowWork(std::uint64_t /*entries*/, std::uint64_t /*bytes*/) {}
};

inline constexpr int kProgressFull = 32766;
inline constexpr const char* kCancelQuestion = "Are you sure you want to Cancel?";
inline constexpr const char* kScramblingStatus = "Scrambling memory buffer...";
inline constexpr const char* kInitialPercentText = " 0 %";

// The logic of the progress window that every long loop reports to: range,
// position and step of the bar, the percent text, and the cooperative
// Cancel flag.
class ProgressDialog {
public:
    ProgressDialog(ProgressView& view, Ui& ui);
    ~ProgressDialog();
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    void SetStatus(const std::string& text);
    void SetRange(int lower, int upper);
    // Each returns the previous value.
    int SetPos(int position);
    int SetStep(int step);
    int StepIt();

    // Returns whether Cancel was pressed since the last call, and forgets it:
    // several presses between two polls count as one.
    bool CheckCancelButton();

    // Cancel (or Enter, Escape, the close box) was used.
    void RequestCancel() { cancelRequested_ = true; }

    // The loops' poll after each block: when Cancel was pressed, asks "Are
    // you sure you want to Cancel?"; true for Yes.
    bool CancelConfirmed();
    // The same, and Yes ends the job with exit status 1 (JobExit).
    void ConfirmCancelIfRequested();

    // Keeps the window responsive during long work that is not stepped (a
    // wipe): pending input is handled, and a Cancel pressed meanwhile waits
    // for the next CancelConfirmed.
    void KeepAlive() { Pump(); }

    // An entry begins; `bytes` more of the job's data are done.
    void CountEntry();
    void AddBytes(std::uint64_t bytes);

    int position() const { return position_; }
    int step() const { return step_; }
    const std::string& percentText() const { return percentText_; }

private:
    void Pump();
    void UpdatePercent(int position);

    ProgressView& view_;
    Ui& ui_;
    bool cancelRequested_ = false;
    int lower_ = 0;
    int upper_ = 100;
    int step_ = 10;
    int position_ = 0;
    std::string percentText_ = kInitialPercentText;
    std::uint64_t entries_ = 0;
    std::uint64_t bytes_ = 0;
};

}  // namespace pelorin
