#include "platform/Clock.h"

#include <ctime>

namespace pelorin::platform {

std::uint32_t CurrentTimeSeconds() {
    return static_cast<std::uint32_t>(std::time(nullptr));
}

}  // namespace pelorin::platform
