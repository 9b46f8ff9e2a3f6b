#include "wipe/sdk/LibraryState.h"

namespace pelorin::sdk {

LibraryState& State() {
    static LibraryState state;
    return state;
}

bool ShouldContinue() {
    const LibraryState& s = State();
    return s.keepGoing == nullptr || s.keepGoing(s.keepGoingUser) != 0;
}

void ProgressReporter::Add(std::int64_t bytes) {
    const LibraryState& s = State();
    if (s.progress == nullptr) return;
    count_ += bytes;
    const std::int64_t value = total_ > 0 ? count_ * 10000 / total_ : 0;
    if (value == lastValue_) return;
    lastValue_ = value;
    s.progress(count_, total_, fileName_, s.progressUser);
}

}  // namespace pelorin::sdk
