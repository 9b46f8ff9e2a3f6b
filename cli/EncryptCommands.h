#pragma once

#include <string>
#include <vector>

namespace pelorin::cli {

// `pelorin encrypt [--algorithm A] [--delete-sources] [--passkey-file F] NAME...`
int RunEncrypt(const std::vector<std::string>& arguments);

}  // namespace pelorin::cli
