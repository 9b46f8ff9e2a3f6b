#include "app_common/PassesText.h"

#include <algorithm>
#include <cstdlib>

namespace pelorin {

std::uint32_t StoredPasses(const std::string& text, const Setting& setting) {
    // 64 bits on every system, saturating beyond them.
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<std::uint32_t>(std::clamp<long long>(value, setting.lowest, setting.highest));
}

int PassesSetting(std::uint32_t stored) {
    constexpr std::uint32_t kMostPasses = 1000000;
    if (stored == 0 || stored > 0x7FFFFFFFu) return 1;
    return static_cast<int>(stored > kMostPasses ? kMostPasses : stored);
}

}  // namespace pelorin
