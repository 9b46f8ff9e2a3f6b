#include "app_common/PassesText.h"

#include <cstdlib>

namespace pelorin {

std::int32_t PassesFromText(const std::string& text) {
    return static_cast<std::int32_t>(std::strtol(text.c_str(), nullptr, 10));
}

int PassesSetting(std::uint32_t stored) {
    constexpr std::uint32_t kMostPasses = 1000000;
    if (stored == 0 || stored > 0x7FFFFFFFu) return 1;
    return static_cast<int>(stored > kMostPasses ? kMostPasses : stored);
}

}  // namespace pelorin
