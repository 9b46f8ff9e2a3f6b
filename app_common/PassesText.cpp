#include "app_common/PassesText.h"

#include <cstdlib>

namespace pelorin {

std::int32_t PassesFromText(const std::string& text) {
    return static_cast<std::int32_t>(std::strtol(text.c_str(), nullptr, 10));
}

}  // namespace pelorin
