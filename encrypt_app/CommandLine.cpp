#include "encrypt_app/CommandLine.h"

#include "platform/Paths.h"

namespace pelorin::encrypt {

EncryptCommandLine ParseEncryptCommandLine(const std::vector<std::string>& arguments) {
    EncryptCommandLine line;
    for (const auto& argument : arguments) {
        // On hosts whose paths start with '/', only '-' introduces a switch.
        const bool isSwitch = !argument.empty() &&
                              (argument[0] == '-' || (argument[0] == '/' && platform::kHostSeparator == '\\'));
        const std::string offered = isSwitch ? argument.substr(1) : argument;
        if (isSwitch && offered == "I") {
            line.importSwitch = true;
            continue;
        }
        line.parameters.push_back(offered);
        if (!isSwitch && line.firstFileName.empty()) line.firstFileName = argument;
    }
    return line;
}

}  // namespace pelorin::encrypt
