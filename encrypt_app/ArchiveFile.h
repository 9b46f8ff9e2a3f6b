#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"

namespace pelorin::encrypt {

struct CreatedArchive {
    platform::File file;
    std::string path;
};

// Creates the archive under the name chosen before the dialog, or, when
// that name was taken meanwhile (another job in the same folder), under the
// next free name the naming rule gives. The file is created exclusively and
// held locked while it is written, so that two jobs never share one archive
// and no decryption reads it half-written. With `overwrite` an existing
// regular file of the chosen name is replaced; a link of that name is never
// followed and a file another job holds is never cut: the next free name is
// taken instead. Nothing when the archive cannot be created; `error` then
// says why.
std::optional<CreatedArchive> CreateArchiveFile(const std::string& chosenName, const std::string& firstFullPath,
                                                bool overwrite, const std::vector<std::string>& sources,
                                                platform::FileError& error);

}  // namespace pelorin::encrypt
