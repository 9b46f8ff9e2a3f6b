#pragma once

#include <string>
#include <vector>

namespace pelorin::cli {

// `pelorin delete [--passes N] [--yes] PATH...`: overwrites and deletes files
// and folders as the secure delete program does. Exit status 0 when
// everything named is gone, 1 when something stayed (each named on standard
// error), 13 when stopped, 2 for usage.
int RunDelete(const std::vector<std::string>& arguments);

}  // namespace pelorin::cli
