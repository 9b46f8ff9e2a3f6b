#pragma once

#include <string>
#include <vector>

namespace pelorin::cli {

// `pelorin wipe-drive --mode standard|thorough|complete [--passes N]
// [--memory-passes N] [--yes] VOLUME...`: the drive wipe program's run over
// volumes named by their mount folders.
int RunWipeDrive(const std::vector<std::string>& arguments);

}  // namespace pelorin::cli
