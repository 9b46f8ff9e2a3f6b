#pragma once

#include <cstdint>
#include <span>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"
#include "archive/Streams.h"
#include "cipher/CipherKey.h"

namespace pelorin::archive {

inline constexpr const char* kUnknownAlgorithmText = "Unknown algorithm.\nThe file may have been encrypted incorrectly.";
inline constexpr const char* kFileErrorCaption = "File error";

enum class WriteOutcome {
    Complete,
    SourceShort,         // the source gave fewer bytes than its size; zeros stand in
    ArchiveWriteFailed,  // the archive did not take every byte (a full volume)
    UnknownAlgorithm,    // size and salt written, no body: the entry is unreadable
};

// Why an entry cannot be written at all. The driver asks before it writes
// the entry's name, so that an archive never holds a name without the rest
// of its entry.
enum class EntryRefusal { None, UnknownAlgorithm, PasskeyTooShort };
EntryRefusal CheckEntryCanBeWritten(int algorithm, PasskeyHashing hashing, std::size_t passkeyLength);

// The entry salt from the OS source, so that no two entries share one.
// False when the source fails.
bool DrawEntrySalt(EntrySalt& salt);

// Encrypts one source and appends it to the archive after the entry's name:
// size field, entry salt, then the data as one piece through the selected
// cipher. Keeps no copy of the passkey (which must outlive it): it holds
// the entry's key, made from the passkey and the salt at construction and
// scrubbed (10 passes) on destruction. The passkey must be long enough for the algorithm
// (CheckEntryCanBeWritten); std::logic_error otherwise, before any byte.
class ArchiveWriter {
public:
    ArchiveWriter(ByteSource& source, ByteSink& archive, std::span<const std::uint8_t> passkey, bool encryptHeaders,
                  PasskeyHashing hashing, const EntrySalt& salt);

    // Reports progress in chunks of about a tenth of the source; a confirmed
    // cancel ends the job (JobExit with status 1). The source is taken from
    // its current position to its end.
    WriteOutcome Run(int algorithm, ProgressDialog& progress, Ui& ui);

private:
    ByteSource& source_;
    ByteSink& archive_;
    std::span<const std::uint8_t> passkey_;
    CipherKey key_;
    bool encryptHeaders_;
    PasskeyHashing hashing_;
    EntrySalt salt_;
};

}  // namespace pelorin::archive
