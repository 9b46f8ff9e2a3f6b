#include "cli/PasskeyInput.h"

#include <iostream>

#include "app_common/JobExit.h"
#include "app_common/PasskeyTexts.h"
#include "archive/ClassicPasskey.h"
#include "archive/EntryNames.h"
#include "cli/Stop.h"
#include "cli/TerminalUi.h"
#include "platform/File.h"
#include "platform/SecretInput.h"

namespace pelorin::cli {
namespace {

// A stop asked for (Ctrl-C, SIGTERM) while the passkey was awaited ends the
// command before anything was done.
void EndIfStopped() {
    if (!StopRequested()) return;
    ReportStop("");
    throw JobExit(kExitCancelled);
}

bool Refuse(const std::string& why) {
    EndIfStopped();
    std::cerr << "pelorin: " << EscapedForTerminal(why) << "\n";
    return false;
}

// Reads into the passkey's own room; false (told) when nothing came.
bool Typed(const char* prompt, Passkey& passkey) {
    const auto length = platform::ReadHiddenLine(prompt, passkey.Room());
    passkey.SetLength(length.value_or(0));
    if (!length) return Refuse("no passkey was typed");
    return true;
}

}  // namespace

bool ReadPasskey(const std::optional<std::string>& passkeyFile, Passkey& passkey, Passkey* verify) {
    // A passkey in the environment leaves it whether or not it is the one
    // used: what the command line names wins over it.
    const auto fromEnvironment = platform::TakeEnvironmentSecret(kPasskeyVariable, passkey.Room());
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
        // Taken as it is.
    } else if (!TerminalCanAsk()) {
        return Refuse("no passkey: give --passkey-file, set PELORIN_PASSKEY, or run on a terminal");
    } else {
        if (!Typed("Passkey: ", passkey)) return false;
        if (verify != nullptr) return Typed("Verify: ", *verify);
    }
    if (verify != nullptr) verify->CopyFrom(passkey);
    return true;
}

std::string ClassicPasskeyOutsideText(unsigned codePage) {
    return "the passkey has characters that a classic archive cannot hold (it keeps its passkey in the Windows code "
           "page " + std::to_string(codePage) + "), so the Windows programs could not type it; use characters of "
           "that code page, or ChaCha20-Poly1305, which takes any passkey";
}

bool ReadClassicPasskey(const std::optional<std::string>& passkeyFile, Passkey& passkey, Passkey& asGiven) {
    if (!ReadPasskey(passkeyFile, passkey)) return false;
    archive::UseClassicPasskey(passkey, &asGiven);
    return true;
}

bool UseClassicPasskey(Passkey& passkey, Passkey& verify) {
    for (Passkey* typed : {&passkey, &verify}) {
        if (archive::UseClassicPasskey(*typed) == archive::ClassicPasskey::OutsideCodePage) {
            return Refuse(ClassicPasskeyOutsideText(archive::ClassicNameCodePage()));
        }
    }
    return true;
}

}  // namespace pelorin::cli
