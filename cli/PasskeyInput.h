#pragma once

#include <optional>
#include <string>

#include "cipher/Passkey.h"

namespace pelorin::cli {

// The environment variable a script may hand the passkey in.
inline constexpr const char* kPasskeyVariable = "PELORIN_PASSKEY";

// The passkey: from the first line of --passkey-file when one is given, else
// from PELORIN_PASSKEY (whose value is then scrubbed from the environment),
// else typed without echo on a terminal, a second time into `verify` when
// one is given. Never from the command line. The bytes go straight into the
// locked Passkey, never through a stream buffer or a string; a passkey from
// a file or the environment is copied into `verify` for the comparison the
// dialogs make. False, with the reason on standard error, when there is
// none.
bool ReadPasskey(const std::optional<std::string>& passkeyFile, Passkey& passkey, Passkey* verify = nullptr);

// The same, in the form classic archives take (archive/ClassicPasskey.h):
// UTF-8 in the code page of their names; where that changed it, the bytes
// as given go to `asGiven`, for archives made by earlier versions of the
// tool (and for archives that take the passkey as given).
bool ReadClassicPasskey(const std::optional<std::string>& passkeyFile, Passkey& passkey, Passkey& asGiven);

// A new classic archive's passkey, typed twice, in that form; one with a
// character the code page cannot hold is refused (told; false), since the
// Windows programs could never type it.
bool UseClassicPasskey(Passkey& passkey, Passkey& verify);

// "the passkey has characters that a classic archive cannot hold (it keeps
// its passkey in the Windows code page 1252) ..."
std::string ClassicPasskeyOutsideText(unsigned codePage);

}  // namespace pelorin::cli
