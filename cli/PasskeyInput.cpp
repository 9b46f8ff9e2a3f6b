#include "cli/PasskeyInput.h"

#include <iostream>

#include "app_common/PasskeyTexts.h"
#include "cli/Stop.h"
#include "cli/TerminalUi.h"
#include "platform/File.h"
#include "platform/SecretInput.h"

namespace pelorin::cli {
namespace {

bool Refuse(const std::string& why) {
    std::cerr << "pelorin: " << EscapedForTerminal(why) << "\n";
    return false;
}

// Reads into the passkey's own room; false (told) when nothing came.
bool Typed(const char* prompt, Passkey& passkey) {
    bool exact = true;
    const auto length = platform::ReadHiddenLine(prompt, passkey.Room(), &exact);
    passkey.SetLength(length.value_or(0));
    if (!length) return Refuse("no passkey was typed");
    if (!exact) return Refuse(kPasskeyOutsideCodePageText);
    return true;
}

}  // namespace

bool ReadPasskey(const std::optional<std::string>& passkeyFile, Passkey& passkey, Passkey* verify) {
    // A passkey in the environment leaves it whether or not it is the one
    // used: what the command line names wins over it.
    bool exact = true;
    const auto fromEnvironment = platform::TakeEnvironmentSecret(kPasskeyVariable, passkey.Room(), &exact);
    passkey.SetLength(fromEnvironment.value_or(0));
    if (passkeyFile) {
        passkey.Clear();
        const auto length = platform::ReadFirstLine(*passkeyFile, passkey.Room());
        passkey.SetLength(length.value_or(0));
        if (!length) {
            return Refuse("the passkey file " + *passkeyFile + " cannot be read (" + platform::LastFailureText() + ")");
        }
        if (passkey.empty()) return Refuse("the passkey file " + *passkeyFile + " holds no passkey on its first line");
    } else if (fromEnvironment) {
        if (!exact) return Refuse(kPasskeyOutsideCodePageText);
    } else if (!TerminalCanAsk()) {
        return Refuse("no passkey: give --passkey-file, set PELORIN_PASSKEY, or run on a terminal");
    } else {
        if (!Typed("Passkey: ", passkey)) return false;
        if (verify != nullptr) return Typed("Verify: ", *verify);
    }
    if (verify != nullptr) verify->CopyFrom(passkey);
    return true;
}

}  // namespace pelorin::cli
