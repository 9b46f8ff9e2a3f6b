#include "wipe_app/RunSummary.h"

namespace pelorin::wipe_app {

const char* WipeTypeName(WipeType type) {
    switch (type) {
        case WipeType::Standard: return "Standard";
        case WipeType::Thorough: return "Thorough";
        case WipeType::Complete: return "Complete";
    }
    return "";
}

std::string FinishedLine(WipeType type, const std::vector<std::string>& roots, int result) {
    std::string drives;
    for (const auto& root : roots) drives += (drives.empty() ? "" : ", ") + root;
    const std::string what =
        (roots.size() == 1 ? "drive " : "drives ") + drives + " (" + WipeTypeName(type) + " wipe)";
    if (result == 0) return kDoneOpening + what + ".";
    if (result == 13) return kCancelledOpening + what + kCancelledEnding;
    return kDoneWithErrorsOpening + what + kDoneWithErrorsEnding;
}

}  // namespace pelorin::wipe_app
