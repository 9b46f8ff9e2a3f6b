#pragma once

#include <string>
#include <vector>

namespace pelorin::cli {

// `pelorin test [--passkey-file F] [--yes|--no] ARCHIVE...`: reads every
// archive to its end and writes nothing. Exit status 0 only when every
// archive is whole.
int RunTest(const std::vector<std::string>& arguments);

}  // namespace pelorin::cli
