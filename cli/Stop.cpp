#include "cli/Stop.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>

namespace pelorin::cli {
namespace {

std::atomic<bool> stopAsked{false};
std::atomic<bool> stopPending{false};
std::atomic<bool> endAsked{false};

extern "C" void OnStopSignal(int signal) {
    if (signal != SIGINT) endAsked = true;
    stopAsked = true;
    stopPending = true;
}

constexpr int kStopSignals[] = {
    SIGINT, SIGTERM,
#if defined(SIGHUP)
    SIGHUP,
#endif
#if defined(SIGQUIT)
    SIGQUIT,
#endif
#if defined(SIGBREAK)
    SIGBREAK,
#endif
};

using Handler = void (*)(int);
Handler previous[sizeof kStopSignals / sizeof kStopSignals[0]];

std::string Escaped(const std::string& text, bool keepLines) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (keepLines && c == '\n') {
            out += "\n  | ";
        } else if (byte < 0x20 || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", byte);
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

StopSignals::StopSignals() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) previous[i] = std::signal(kStopSignals[i], OnStopSignal);
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) std::signal(kStopSignals[i], previous[i]);
}

bool TakeStopRequest() { return stopPending.exchange(false); }
bool StopRequested() { return stopAsked; }
bool EndRequested() { return endAsked; }

void ReportStop(const std::string& left) {
    std::cerr << "pelorin: stopped" << (left.empty() ? "" : "; " + EscapedForTerminal(left)) << "\n";
}

std::string EscapedForTerminal(const std::string& text) { return Escaped(text, true); }
std::string EscapedName(const std::string& name) { return Escaped(name, false); }

}  // namespace pelorin::cli
