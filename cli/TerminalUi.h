#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "app_common/ProgressDialog.h"
#include "app_common/TransferRate.h"
#include "app_common/Ui.h"
#include "cli/Stop.h"

namespace pelorin::cli {

// Messages on standard error; questions answered by --yes/--no, or asked on
// the terminal, or No when nobody can answer.
class TerminalUi : public Ui {
public:
    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override;
    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override;
    // Asked on a terminal; Abort when nobody can answer.
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& text, const std::optional<std::string>& caption,
                                         MessageIcon icon) override;
    // Asked on the terminal whatever --yes/--no said, for a question only
    // the user who sees the result can answer; No when there is no terminal.
    bool AskOnTerminal(const std::string& text, const std::optional<std::string>& caption);

    std::optional<bool> presetAnswer;
    // The cancel question was answered yes: the job stops as asked.
    bool cancelConfirmed = false;
};

// A progress bar on standard error when it is a terminal. Ctrl-C counts as
// the Cancel button: the job asks before it stops; a signal that ends
// programs (SIGTERM, SIGHUP, SIGQUIT) stops it without asking.
class TerminalProgress : public ProgressView {
public:
    TerminalProgress();
    ~TerminalProgress() override;
    void ShowStatus(const std::string& text) override;
    void ShowRange(int lower, int upper) override;
    void ShowPosition(int position) override;
    void ShowPercentText(const std::string&) override {}
    bool PumpMessages() override;
    void ShowWork(std::uint64_t entries, std::uint64_t bytes) override;

    // The bytes the whole job will move, when known beforehand: the bar then
    // shows the job, not the entry, and the time left.
    void SetTotalBytes(std::uint64_t total) { totalBytes_ = total; }
    // On a terminal, one line: files, bytes, seconds and rate of the job.
    void ShowSummary();

    // A bar redrawn more often would only flood a slow terminal.
    static constexpr std::chrono::milliseconds kRedrawInterval{100};

private:
    double SecondsSinceStart() const;
    void Draw();

    bool terminal_;
    std::string status_;
    int lower_ = 0, upper_ = 100, position_ = 0;
    std::uint64_t entries_ = 0, bytes_ = 0, totalBytes_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> drawnAt_;
    TransferRate rate_;
    StopSignals signals_;
};

// A question needs someone who sees it and can answer: it is shown on
// standard error and read from standard input, so both must be a terminal.
bool TerminalCanAsk();

// One line of progress on standard error: a 20-step bar, the percentage, the
// amounts and rate when given, and the status (escaped), drawn over the
// previous one, cut to the terminal's width.
void DrawBar(int percent, const std::string& status, const std::string& amounts = {});
// The text of that line for a terminal of `columns` characters (0: unknown).
std::string BarLine(int percent, const std::string& status, const std::string& amounts, int columns);

}  // namespace pelorin::cli
