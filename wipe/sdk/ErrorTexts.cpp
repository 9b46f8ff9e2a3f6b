#include "wipe/sdk/ErrorTexts.h"

namespace pelorin::sdk {
namespace {

constexpr std::string_view kNewerVersionText =
    "The file has been created with a newer version of Pelorin. Please download the updated version from the Tarn6 "
    "Software web site at:\n\thttps://tarn6.software/pelorin/download";

constexpr std::string_view kVerifyFailedText =
    "The last overwrite pass did not read back from the disk as written, so the wipe cannot be trusted; a file "
    "being wiped was kept.";

constexpr std::string_view kTexts[] = {
    "The function has completed successfully",
    "Could not open a file",
    "The passphrase given to ArchiveReadInit was incorrect",
    "For this function to work properly, the encrypted archive must include a file index",
    "The returning function needs to perform an operation that involves block algorithms only (generally a CBC "
    "function)",
    kNewerVersionText,
    "The filename specified for the wipe function was invalid. Filenames must be fully qualified",
    "The specified drive was in an invalid format (\"x:\\\") or the drive could not be accessed.",
    "The file could not be securely deleted.",
    "There was an error creating the file's destination directory.",
    "A null argument was passed when a non-null argument is required.",
    "An error was encountered resizing the file back to its original state. The file may have extra characters "
    "appended to it.",
    "For this function to be called, the password validation feature must be turned on.",
    "The function was aborted because the ContinueCallback function returned false.",
    kVerifyFailedText,
};

static_assert(kNewerVersionText.ends_with(kDownloadLocation));
static_assert(kNewerVersionText.size() < 200, "code 5's text and its zero must fit the 200-byte buffer");
static_assert(kVerifyFailedText.size() < 200, "code 14's text and its zero must fit the 200-byte buffer");

}  // namespace

std::string_view ErrorText(int code) {
    if (code < 0 || code >= static_cast<int>(std::size(kTexts))) return "ERROR: Unrecognized error code";
    return kTexts[code];
}

}  // namespace pelorin::sdk
