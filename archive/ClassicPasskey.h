#pragma once

#include "cipher/Passkey.h"

namespace pelorin::archive {

// Classic archives were written by the Windows programs under the passkey's
// text in the code page of their names (ClassicNameCodePage). The tool holds
// a passkey typed, set in the environment or read from a UTF-8 file as
// UTF-8, and gives a classic archive that text in the code page, so that the
// same characters open the same archives on Linux and on Windows. Bytes that
// are not UTF-8 (a passkey file in the code page, as scripts have them) are
// used as they stand; so is ASCII, which is the same in every code page.
enum class ClassicPasskey {
    AsGiven,          // nothing to convert: the passkey is used as it is
    Converted,        // the passkey holds the code page's bytes now
    OutsideCodePage,  // UTF-8 with a character the code page cannot hold: left as given
};

// Puts the passkey into its classic form in place; when it was converted,
// the bytes as given go to `asGiven` (when given), for archives that
// earlier versions of the tool wrote under them. No copy is made outside
// locked memory.
ClassicPasskey UseClassicPasskey(Passkey& passkey, Passkey* asGiven = nullptr);

}  // namespace pelorin::archive
