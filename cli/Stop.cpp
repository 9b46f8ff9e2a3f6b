#include "cli/Stop.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "platform/Utf8.h"

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

// The length of the well-formed UTF-8 sequence at `at` that encodes a
// printable character, or 0: a stray byte, an overlong or surrogate form, or
// one of the C1 controls U+0080..U+009F (a terminal may obey those as it does
// the single bytes 0x80..0x9F).
std::size_t PrintableSequenceAt(const std::string& text, std::size_t at) {
    const auto character = platform::Utf8CharacterAt(text, at);
    return character && character->value > 0x9F ? character->length : 0;
}

std::string Escaped(const std::string& text, bool keepLines) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t sequence = byte >= 0x80 ? PrintableSequenceAt(text, i) : 0;
        if (keepLines && byte == '\n') {
            out += "\n  | ";
        } else if (sequence > 0) {
            out.append(text, i, sequence);
            i += sequence - 1;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", byte);
            out += code;
        } else {
            out += text[i];
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
