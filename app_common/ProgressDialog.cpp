#include "app_common/ProgressDialog.h"

#include "app_common/JobExit.h"

namespace pelorin {

ProgressDialog::ProgressDialog(ProgressView& view, Ui& ui) : view_(view), ui_(ui) {}

ProgressDialog::~ProgressDialog() { view_.Close(); }

void ProgressDialog::Pump() {
    if (view_.PumpMessages()) cancelRequested_ = true;
}

void ProgressDialog::SetStatus(const std::string& text) { view_.ShowStatus(text); }

void ProgressDialog::SetRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
    view_.ShowRange(lower, upper);
}

int ProgressDialog::SetPos(int position) {
    Pump();
    const int previous = position_;
    position_ = position;
    view_.ShowPosition(position_);
    UpdatePercent(position);
    return previous;
}

int ProgressDialog::SetStep(int step) {
    const int previous = step_;
    step_ = step;
    return previous;
}

void ProgressDialog::CountEntry() { view_.ShowWork(++entries_, bytes_); }

void ProgressDialog::AddBytes(std::uint64_t bytes) {
    bytes_ += bytes;
    view_.ShowWork(entries_, bytes_);
}

int ProgressDialog::StepIt() {
    Pump();
    const int previous = position_;
    // The bar wraps to its lower bound when a step would pass the upper one.
    position_ = position_ + step_ > upper_ ? lower_ : position_ + step_;
    view_.ShowPosition(position_);
    // The percentage follows the unwrapped sum, so a wrapped bar shows a
    // wrapped percentage.
    UpdatePercent(previous + step_);
    return previous;
}

bool ProgressDialog::CheckCancelButton() {
    Pump();
    const bool requested = cancelRequested_;
    cancelRequested_ = false;
    return requested;
}

bool ProgressDialog::CancelConfirmed() {
    return CheckCancelButton() && ui_.AskYesNo(kCancelQuestion, std::nullopt, MessageIcon::Exclamation);
}

void ProgressDialog::ConfirmCancelIfRequested() {
    if (CancelConfirmed()) throw JobExit(kExitCancelled);
}

void ProgressDialog::UpdatePercent(int position) {
    if (upper_ == lower_) return;
    int percent = static_cast<int>(static_cast<long long>(position - lower_) * 100 / (upper_ - lower_));
    if (percent != 100) percent %= 100;
    const std::string text = std::to_string(percent) + "%";
    if (text == percentText_) return;
    percentText_ = text;
    view_.ShowPercentText(text);
}

}  // namespace pelorin
