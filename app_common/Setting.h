#pragma once

#include <cstdint>

namespace pelorin {

// One per-user setting of a program: its value name and the value a missing
// one reads as.
struct Setting {
    const char* name;
    std::uint32_t defaultValue;
};

}  // namespace pelorin
