#pragma once

#include <string>
#include <vector>

namespace pelorin::encrypt {

// The encryptor's command line: every argument in order, except the switch
// "I" (after its '-' or '/'; on Linux, where paths start with '/', only '-'
// introduces a switch), which is only recorded. Switches stay in the
// list without their first character; the first argument that is not a
// switch is the first file name.
struct EncryptCommandLine {
    std::vector<std::string> parameters;
    std::string firstFileName;
    bool importSwitch = false;
};

EncryptCommandLine ParseEncryptCommandLine(const std::vector<std::string>& arguments);

}  // namespace pelorin::encrypt
