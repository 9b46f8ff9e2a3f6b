#pragma once

#include <span>
#include <string>

#include "archive/ArchiveFormat.h"
#include "archive/Streams.h"

namespace pelorin::archive {

// Writes the 128-byte header and, since the writer always writes version 7,
// the archive salt and the passkey check value computed from it. False when
// the sink did not take every byte.
bool WriteArchiveStart(ByteSink& archive, const ArchiveHeader& header, const ArchiveSalt& salt,
                       std::span<const std::uint8_t> passkey);

// Writes an entry's name length (4 bytes, signed little-endian) and its
// stored name, each as a header item. The size field, salt and data follow
// from ArchiveWriter.
bool WriteEntryName(ByteSink& archive, const std::string& storedName, bool encryptHeaders,
                    std::span<const std::uint8_t> passkey);

}  // namespace pelorin::archive
