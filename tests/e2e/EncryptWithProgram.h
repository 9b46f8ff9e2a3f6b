#pragma once

#include <string>
#include <vector>

namespace pelorin::e2e {

// Makes an archive the way a user does: PelorinEncrypt.exe with the names,
// the algorithm's button (0..7, 9) and the passkey (UTF-8) typed twice. Returns the program's
// exit code. The registry settings in force are the caller's.
int EncryptWithProgram(const std::vector<std::string>& names, int algorithm, const std::string& passkey);

}  // namespace pelorin::e2e
