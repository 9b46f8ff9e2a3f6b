#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"
#include "archive/HeaderCheck.h"
#include "archive/Streams.h"
#include "cipher/CipherKey.h"

namespace pelorin::archive {

enum class ReadOutcome {
    Complete,
    Truncated,          // the archive ended inside the entry; what was read is written
    UnknownAlgorithm,   // nothing written; the entry's data were passed over
    KeyTooShort,        // nothing written: the passkey is shorter than the cipher reads
    OutputWriteFailed,  // the output did not take every byte
};

// How the entry's data are framed: an archive entry carries its size field
// and salt; import input is bare groups up to the end of the file, keyed by
// the passkey as typed.
enum class EntryFraming { Archive, Import };

// Restores one entry: reads its size field, salt and data from the archive
// (positioned after the entry's name) and writes the plain bytes. Keeps no
// copy of the passkey (which must outlive it): the entry's key is made from
// it and the salt once the salt is read, and scrubbed when the run ends.
class ArchiveReader {
public:
    ArchiveReader(ByteSource& archive, ByteSink& output, std::span<const std::uint8_t> passkey, bool encryptedHeaders,
                  EntryFraming framing, PasskeyHashing hashing);

    // A confirmed cancel ends the job (JobExit with status 1); the output
    // keeps what was written.
    ReadOutcome Run(int algorithm, ProgressDialog& progress, Ui& ui, const ReaderState& state);

private:
    ByteSource& archive_;
    ByteSink& output_;
    std::span<const std::uint8_t> passkey_;
    bool encryptedHeaders_;
    EntryFraming framing_;
    PasskeyHashing hashing_;
};

// Reads past one entry's size field, salt and data without deciphering,
// with the same progress steps; `status` is shown meanwhile. False when the
// archive ends inside the entry.
bool SkipEntryData(ByteSource& archive, bool encryptedHeaders, std::span<const std::uint8_t> passkey,
                   const ReaderState& state, ProgressDialog& progress, const std::string& status);

}  // namespace pelorin::archive
