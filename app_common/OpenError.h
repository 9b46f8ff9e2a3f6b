#pragma once

#include <string>

#include "app_common/Ui.h"
#include "platform/File.h"

namespace pelorin {

inline constexpr int kExitOpenFailed = 1;

// The C run-time's reason for a failed open, as the programs word it; empty
// for numbers they do not name.
std::string OpenErrorReason(platform::FileError error);

// The decryptor's fatal open message: a box captioned with the path, text
// "A fatal error occured: " + reason + "\nProgram will terminate.", warning
// icon; then the job ends with exit status 1.
[[noreturn]] void ShowOpenError(Ui& ui, platform::FileError error, const std::string& path);

}  // namespace pelorin
