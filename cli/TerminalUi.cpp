#include "cli/TerminalUi.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "app_common/PasskeyTexts.h"
#include "platform/Terminal.h"

namespace pelorin::cli {
namespace {

std::atomic<bool> cancelPressed{false};
extern "C" void OnCancelKey(int) { cancelPressed = true; }

}  // namespace

void TerminalUi::ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon) {
    std::cerr << "pelorin: " << (caption ? *caption + ": " : std::string()) << text << "\n";
}

bool TerminalUi::AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) {
    if (presetAnswer) {
        ShowMessage(text + (*presetAnswer ? " [answered yes]" : " [answered no]"), caption, icon);
        return *presetAnswer;
    }
    if (!platform::StandardInputIsTerminal()) {
        ShowMessage(text + " [no answer possible: no]", caption, icon);
        return false;
    }
    std::cerr << "pelorin: " << (caption ? *caption + ": " : std::string()) << text << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

AbortRetryIgnore TerminalUi::AskAbortRetryIgnore(const std::string& text, const std::optional<std::string>& caption,
                                                 MessageIcon icon) {
    if (!platform::StandardInputIsTerminal()) {
        ShowMessage(text + " [no answer possible: abort]", caption, icon);
        return AbortRetryIgnore::Abort;
    }
    std::cerr << "pelorin: " << (caption ? *caption + ": " : std::string()) << text << " [a]bort, [r]etry, [i]gnore? "
              << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (!answer.empty() && (answer[0] == 'r' || answer[0] == 'R')) return AbortRetryIgnore::Retry;
    if (!answer.empty() && (answer[0] == 'i' || answer[0] == 'I')) return AbortRetryIgnore::Ignore;
    return AbortRetryIgnore::Abort;
}

TerminalProgress::TerminalProgress() : terminal_(platform::StandardErrorIsTerminal()) {
    previousHandler_ = std::signal(SIGINT, OnCancelKey);
}

TerminalProgress::~TerminalProgress() {
    std::signal(SIGINT, previousHandler_);
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

bool TerminalProgress::PumpMessages() { return cancelPressed.exchange(false); }

void TerminalProgress::Draw() {
    if (!terminal_ || upper_ <= lower_) return;
    const int percent = (position_ - lower_) * 100 / (upper_ - lower_);
    std::fprintf(stderr, "\r\033[K[%-20.*s] %3d%%  %s", percent / 5, "####################", percent, status_.c_str());
    std::fflush(stderr);
}

bool ReadPasskey(const std::optional<std::string>& passkeyFile, bool askTwice, std::string& passkey,
                 std::string& verify) {
    bool exact = true;
    const auto refuseInexact = [&] {
        std::cerr << "pelorin: " << kPasskeyOutsideCodePageText << "\n";
        return false;
    };
    if (const auto fromEnvironment = platform::EnvironmentText("PELORIN_PASSKEY", &exact)) {
        if (!exact) return refuseInexact();
        passkey = verify = *fromEnvironment;
        return true;
    }
    if (passkeyFile) {
        std::ifstream in(*passkeyFile, std::ios::binary);
        if (!in || !std::getline(in, passkey)) return false;
        if (!passkey.empty() && passkey.back() == '\r') passkey.pop_back();
        verify = passkey;
        return true;
    }
    if (!platform::StandardInputIsTerminal()) return false;
    const auto first = platform::ReadHiddenLine("Passkey: ", &exact);
    if (!first) return false;
    if (!exact) return refuseInexact();
    passkey = *first;
    if (!askTwice) {
        verify = passkey;
        return true;
    }
    const auto second = platform::ReadHiddenLine("Verify: ", &exact);
    if (!second) return false;
    if (!exact) return refuseInexact();
    verify = *second;
    return true;
}

}  // namespace pelorin::cli
