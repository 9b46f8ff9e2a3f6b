#pragma once

#include <cstdint>

namespace pelorin::platform {

// The current calendar time in whole seconds, as the C library's time()
// reports it. Used to seed the shared random generator.
std::uint32_t CurrentTimeSeconds();

}  // namespace pelorin::platform
