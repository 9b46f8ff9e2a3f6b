#pragma once

#include <cstdint>

namespace pelorin::wipe_app {

// The bar's range and how the three wipe types divide it.
inline constexpr int kBarFull = 32000;
inline constexpr int kThoroughFreeSpaceSpan = 20000;  // then the slack of every file up to the end
inline constexpr int kCompleteDeleteSpan = 12000;     // then the free space up to the end

// start + done x span / total in 64-bit integer arithmetic, never past the
// phase's end; the phase's start when there is nothing to divide by.
constexpr int Scaled(int start, int span, std::int64_t done, std::int64_t total) {
    if (total <= 0 || done <= 0) return start;
    if (done >= total) return start + span;
    return start + static_cast<int>(done * span / total);
}

}  // namespace pelorin::wipe_app
