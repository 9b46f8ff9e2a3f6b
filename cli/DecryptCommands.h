#pragma once

#include <string>
#include <vector>

namespace pelorin::cli {

// `pelorin decrypt [--select NAME]... [--delete-archives] [--passkey-file F] [--yes|--no] ARCHIVE...`
int RunDecrypt(const std::vector<std::string>& arguments);

// `pelorin import --algorithm A --padding N [--passkey-file F] FILE...`
int RunImport(const std::vector<std::string>& arguments);

// `pelorin list [--passkey-file F] [--yes|--no] ARCHIVE...`
int RunList(const std::vector<std::string>& arguments);

}  // namespace pelorin::cli
