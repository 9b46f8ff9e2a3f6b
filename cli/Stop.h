#pragma once

#include <string>

namespace pelorin::cli {

// The tool's stop. Ctrl-C, and every other signal that would end the tool
// (SIGTERM, SIGHUP, SIGQUIT), only raises a flag while a job runs, so that
// the job stops at its next poll and cleans up as a cancel does: no fill
// file left behind, no output left without a message.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
};

// A stop was asked for since the last call (the Cancel button's press).
bool TakeStopRequest();
// A stop was asked for at all, and not yet taken back.
bool StopRequested();
// The stop came from a signal that ends programs rather than from Ctrl-C:
// nobody is there to be asked, so a cancel is confirmed without a question.
bool EndRequested();

// "pelorin: stopped" and, when given, what the stop left ("the archive ...
// is incomplete") on standard error.
void ReportStop(const std::string& left);

// A text for the terminal: control characters written as \xNN, so that no
// name can send escape sequences; a line break in a message goes on behind
// "  | ", so that no name can fake a line of its own (of a listing either).
std::string EscapedForTerminal(const std::string& text);
// A name on a line of its own (list): every control character escaped,
// line breaks and tabs too.
std::string EscapedName(const std::string& name);

}  // namespace pelorin::cli
