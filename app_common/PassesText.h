#pragma once

#include <cstdint>
#include <string>

namespace pelorin {

// A passes text as the C library's decimal conversion reads it: optional
// blanks and sign, then digits up to the first non-digit; no digits give 0.
// No range check.
std::int32_t PassesFromText(const std::string& text);

}  // namespace pelorin
