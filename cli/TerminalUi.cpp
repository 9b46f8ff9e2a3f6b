#include "cli/TerminalUi.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/Stop.h"
#include "platform/Terminal.h"

namespace pelorin::cli {

namespace {

// A message or question starts on a line of its own, not behind the bar.
void ClearBarLine() {
    if (platform::StandardErrorIsTerminal()) std::fputs("\r\033[K", stderr);
}

}  // namespace

void TerminalUi::ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon) {
    ClearBarLine();
    std::cerr << "pelorin: " << EscapedForTerminal((caption ? *caption + ": " : std::string()) + text) << "\n";
}

bool TerminalUi::AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) {
    const bool cancelQuestion = text == kCancelQuestion;
    // A signal that ends programs has nobody to ask, and nor has Ctrl-C
    // without a terminal or an answer given: the stop stands.
    if (cancelQuestion && (EndRequested() || (!presetAnswer && !TerminalCanAsk()))) {
        ShowMessage(text + " [a stop with nobody to ask: yes]", caption, icon);
        cancelConfirmed = true;
        return true;
    }
    if (presetAnswer) {
        ShowMessage(text + (*presetAnswer ? " [answered yes]" : " [answered no]"), caption, icon);
        if (cancelQuestion && *presetAnswer) cancelConfirmed = true;
        return *presetAnswer;
    }
    if (!TerminalCanAsk()) {
        ShowMessage(text + " [no answer possible: no]", caption, icon);
        return false;
    }
    const bool yes = AskOnTerminal(text, caption);
    if (cancelQuestion && yes) cancelConfirmed = true;
    return yes;
}

bool TerminalUi::AskOnTerminal(const std::string& text, const std::optional<std::string>& caption) {
    if (!TerminalCanAsk()) return false;
    ClearBarLine();
    std::cerr << "pelorin: " << EscapedForTerminal((caption ? *caption + ": " : std::string()) + text) << " [y/N] "
              << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

AbortRetryIgnore TerminalUi::AskAbortRetryIgnore(const std::string& text, const std::optional<std::string>& caption,
                                                 MessageIcon icon) {
    if (!TerminalCanAsk()) {
        ShowMessage(text + " [no answer possible: abort]", caption, icon);
        return AbortRetryIgnore::Abort;
    }
    ClearBarLine();
    std::cerr << "pelorin: " << EscapedForTerminal((caption ? *caption + ": " : std::string()) + text)
              << " [a]bort, [r]etry, [i]gnore? " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (!answer.empty() && (answer[0] == 'r' || answer[0] == 'R')) return AbortRetryIgnore::Retry;
    if (!answer.empty() && (answer[0] == 'i' || answer[0] == 'I')) return AbortRetryIgnore::Ignore;
    return AbortRetryIgnore::Abort;
}

bool TerminalCanAsk() { return platform::StandardInputIsTerminal() && platform::StandardErrorIsTerminal(); }

TerminalProgress::TerminalProgress() : terminal_(platform::StandardErrorIsTerminal()) {}

TerminalProgress::~TerminalProgress() {
    if (terminal_) std::fputs("\r\033[K", stderr);
}

void TerminalProgress::ShowStatus(const std::string& text) {
    status_ = text;
    Draw();
}

void TerminalProgress::ShowRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
}

void TerminalProgress::ShowPosition(int position) {
    position_ = position;
    Draw();
}

void TerminalProgress::ShowWork(std::uint64_t entries, std::uint64_t bytes) {
    entries_ = entries;
    bytes_ = bytes;
    rate_.Record(SecondsSinceStart(), bytes);
    Draw();
}

bool TerminalProgress::PumpMessages() { return TakeStopRequest(); }

double TerminalProgress::SecondsSinceStart() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void TerminalProgress::Draw() {
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawnAt_ && now - *drawnAt_ < kRedrawInterval) return;
    int percent = 0;
    if (totalBytes_ > 0) {
        percent = static_cast<int>(std::min<std::uint64_t>(bytes_, totalBytes_) * 100 / totalBytes_);
    } else if (upper_ > lower_) {
        percent = (position_ - lower_) * 100 / (upper_ - lower_);
    }
    drawnAt_ = now;
    DrawBar(percent, status_, bytes_ > 0 || totalBytes_ > 0 ? TransferText(bytes_, totalBytes_, rate_) : "");
}

void TerminalProgress::ShowSummary() {
    if (!terminal_ || entries_ == 0) return;
    std::fputs("\r\033[K", stderr);
    std::cerr << "pelorin: " << TransferSummary(entries_, bytes_, SecondsSinceStart()) << "\n";
}

namespace {

// Characters on the screen: UTF-8 continuation bytes take no column.
std::size_t Columns(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The end of `text` in at most `columns` characters, "..." standing for
// what was cut from the front (the end of a name tells most).
std::string TailInColumns(const std::string& text, std::size_t columns) {
    if (Columns(text) <= columns) return text;
    if (columns < 4) return {};
    std::size_t start = text.size();
    for (std::size_t kept = 0; start > 0 && kept < columns - 3;) {
        --start;
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) ++kept;
    }
    return "..." + text.substr(start);
}

}  // namespace

std::string BarLine(int percent, const std::string& status, const std::string& amounts, int columns) {
    percent = std::clamp(percent, 0, 100);
    char bar[40];
    std::snprintf(bar, sizeof bar, "[%-20.*s] %3d%%  ", percent / 5, "####################", percent);
    std::string line = bar;
    if (!amounts.empty()) line += amounts + "  ";
    std::string name = EscapedName(status);
    if (columns > 0) {
        // One column stays free: a line that fills the last one wraps on
        // some terminals, and the next redraw would then start a new row.
        const auto room = static_cast<std::size_t>(columns - 1);
        // The bar and the amounts are plain ASCII; what does not fit goes.
        if (line.size() > room) return line.substr(0, room);
        name = TailInColumns(name, room - Columns(line));
    }
    return line + name;
}

void DrawBar(int percent, const std::string& status, const std::string& amounts) {
    std::fprintf(stderr, "\r\033[K%s", BarLine(percent, status, amounts, platform::StandardErrorColumns()).c_str());
    std::fflush(stderr);
}

}  // namespace pelorin::cli
