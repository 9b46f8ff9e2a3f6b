#pragma once

#include <string>
#include <vector>

namespace pelorin::cli {

// `pelorin settings PROGRAM [NAME [VALUE]]`: shows every setting of a
// program, one of them, or sets one within its range.
int RunSettings(const std::vector<std::string>& arguments);

}  // namespace pelorin::cli
