#pragma once

#include <cstdint>
#include <string>

namespace pelorin {

// A passes text as the C library's decimal conversion reads it: optional
// blanks and sign, then digits up to the first non-digit; no digits give 0.
// No range check.
std::int32_t PassesFromText(const std::string& text);

// The pass count a wipe takes from a stored setting: at least one pass (a
// value below 1, or one that a hand-edited store holds beyond the 32-bit
// signed range, would delete without overwriting), at most a million.
int PassesSetting(std::uint32_t stored);

}  // namespace pelorin
