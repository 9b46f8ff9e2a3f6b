#include "wipe/Patterns.h"

#include <algorithm>

#include "app_common/SharedRandom.h"

namespace pelorin::wipe {

void FillRandom(std::uint8_t* buffer, int n) {
    const int groups = n / 4;
    const int tail = n % 4;
    for (int k = 0; k < groups; ++k) {
        const auto value = static_cast<std::uint32_t>(NextSharedRandom());
        buffer[4 * k] = static_cast<std::uint8_t>(value);
        buffer[4 * k + 1] = static_cast<std::uint8_t>(value >> 8);
        buffer[4 * k + 2] = static_cast<std::uint8_t>(value >> 16);
        buffer[4 * k + 3] = static_cast<std::uint8_t>(value >> 24);
    }
    for (int j = 0; j < tail; ++j) buffer[4 * groups + j] = static_cast<std::uint8_t>(NextSharedRandom());
}

void PreparePattern(PatternCycle cycle, int pass, std::span<std::uint8_t> block) {
    const int step = cycle == PatternCycle::FourWay ? pass % 4 : pass % 3;
    switch (step) {
        case 0: std::fill(block.begin(), block.end(), std::uint8_t{0x00}); break;
        case 1: std::fill(block.begin(), block.end(), std::uint8_t{0xFF}); break;
        case 2: FillRandom(block.data(), static_cast<int>(block.size())); break;
        default:
            for (auto& b : block) b = static_cast<std::uint8_t>(~b);
            break;
    }
}

}  // namespace pelorin::wipe
