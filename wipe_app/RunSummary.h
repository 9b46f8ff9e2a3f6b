#pragma once

#include <string>
#include <vector>

#include "wipe_app/WipeRun.h"

namespace pelorin::wipe_app {

// The wipe types as their buttons name them, without the accelerators.
const char* WipeTypeName(WipeType type);

// The line the status area keeps once a run is over: the drives, the type
// and how the run ended (RunWipe's result: 0 done, 13 cancelled, else a
// failure that was shown).
inline constexpr const char* kDoneOpening = "Done: ";
inline constexpr const char* kDoneWithErrorsOpening = "Done with errors: ";
inline constexpr const char* kCancelledOpening = "Cancelled: ";
inline constexpr const char* kDoneWithErrorsEnding = "; see the messages shown.";
inline constexpr const char* kCancelledEnding = "; stopped before the end.";
std::string FinishedLine(WipeType type, const std::vector<std::string>& roots, int result);

}  // namespace pelorin::wipe_app
