#pragma once

#include <span>
#include <string>

#include "archive/ArchiveReader.h"
#include "archive/HeaderCheck.h"
#include "platform/File.h"

namespace pelorin::archive {

// The folder part of a path: up to and including its last separator; empty
// when it has none.
std::string FolderPart(const std::string& path);

// Creates every folder along the path, from the second character on, each up
// to and including a separator, and finally the whole path. Failures are
// ignored: folders that exist (and the drive root) are passed over.
void CreateOutputDirectories(const std::string& path);

// Opens an output file for a restored entry: write only, created or
// truncated (an existing file is replaced without asking), never through a
// link. When it cannot be opened the job ends with the fatal open message.
platform::File OpenOutputOrExit(const std::string& path, Ui& ui);

enum class RestoreOutcome {
    Restored,
    Refused,     // the name would leave the archive's folder or pass a link; data skipped
    Incomplete,  // the output keeps what could be read and deciphered
    UnknownAlgorithm,
    KeyTooShort,
    OutputFailed,
};

// Restores the entry `name`, whose name has just been read, to the archive's
// folder plus the name: creates the folders, replaces an existing file,
// stops the job (status 1) when the output cannot be opened.
RestoreOutcome RestoreEntry(ByteSource& archive, const std::string& archivePath, const std::string& name,
                            const OpenedArchive& opened, std::span<const std::uint8_t> passkey,
                            const ReaderState& state, ProgressDialog& progress, Ui& ui);

}  // namespace pelorin::archive
