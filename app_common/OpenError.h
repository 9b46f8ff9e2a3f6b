#pragma once

#include <string>

#include "app_common/Ui.h"
#include "platform/File.h"

namespace pelorin {

inline constexpr int kExitOpenFailed = 1;

// The C run-time's reason for a failed open, as the programs word it, and
// the programs' own for what they refuse; empty for the rest.
std::string OpenErrorReason(platform::FileError error);

// "A fatal error occured: " + the reason (the system's own words when the
// programs name none) + "\nProgram will terminate."
std::string FatalOpenText(platform::FileError error);

// The fatal open message: the full path on a line of its own above
// FatalOpenText, in a box captioned "Error" as the other error boxes are
// (a caption would cut a long path short), warning icon.
inline constexpr const char* kOpenErrorCaption = "Error";
std::string OpenErrorText(platform::FileError error, const std::string& path);

// Shows it; returns the exit status that ends the job (1).
int ReportOpenError(Ui& ui, platform::FileError error, const std::string& path);

// The same, then the job ends with that status (JobExit).
[[noreturn]] void ShowOpenError(Ui& ui, platform::FileError error, const std::string& path);

}  // namespace pelorin
