#pragma once

#include <string>
#include <vector>

namespace pelorin::cli {

// `pelorin wipe-file FILE...`, `pelorin wipe-free FOLDER`,
// `pelorin wipe-slack FILE...`, with `--passes N`. Each returns the process
// exit status: 0, or the library's error code of the last failure (a usage
// error gives 2).
int RunWipeFile(const std::vector<std::string>& arguments);
int RunWipeFree(const std::vector<std::string>& arguments);
int RunWipeSlack(const std::vector<std::string>& arguments);

}  // namespace pelorin::cli
