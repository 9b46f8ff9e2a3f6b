#pragma once

#include <string>
#include <vector>

namespace pelorin::cli {

// `pelorin encrypt [--algorithm A] [--delete-sources] [--passkey-file F] NAME...`
int RunEncrypt(const std::vector<std::string>& arguments);

// `pelorin settings encrypt [NAME [VALUE]]`
int RunSettings(const std::vector<std::string>& arguments);

}  // namespace pelorin::cli
