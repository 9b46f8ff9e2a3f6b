#pragma once

#include <string>
#include <string_view>

namespace pelorin {

// `text` as a JSON string, quotes included, valid whatever bytes it holds:
// quotes, backslashes and control characters are escaped, and every byte
// that does not belong to well-formed UTF-8 stands as U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace pelorin
