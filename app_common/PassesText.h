#pragma once

#include <cstdint>
#include <string>

#include "app_common/Setting.h"

namespace pelorin {

// What an Options dialog stores for the text of its pass-count field: the
// text as the C library's decimal conversion reads it (optional blanks and
// sign, then digits up to the first non-digit; no digits give 0), held to
// the setting's range, so that no program refuses later what its own
// dialog wrote (a number beyond the range stores the range's nearest end).
std::uint32_t StoredPasses(const std::string& text, const Setting& setting);

// The pass count a wipe takes from a stored setting: at least one pass (a
// value below 1, or one that a hand-edited store holds beyond the 32-bit
// signed range, would delete without overwriting), at most a million.
int PassesSetting(std::uint32_t stored);

}  // namespace pelorin
