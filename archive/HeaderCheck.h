#pragma once

#include <optional>
#include <set>
#include <string>

#include "app_common/Ui.h"
#include "archive/ArchiveFormat.h"
#include "archive/Streams.h"

namespace pelorin::archive {

// The three passes of the decryptor open an archive in three forms; they
// differ in one word of a warning and in the RC4 notice.
enum class HeaderCheckForm { Probing, Scanning, Decrypting };

// Decryptor-wide state of the reader: whether the archive whose header was
// checked last is older than version 7 (legacy Pseudo-RC4 keystream). Import
// mode reads no header and leaves it as it is.
struct ReaderState {
    bool legacy = false;
    KeystreamVariant keystream() const { return legacy ? KeystreamVariant::Legacy : KeystreamVariant::Current; }
    // Archives whose header warnings were answered Yes in this job: a later
    // pass over them does not ask again.
    std::set<std::string> warnedArchives;
    // Archives already reported damaged by their header: said once.
    std::set<std::string> damagedArchives;
};

struct OpenedArchive {
    ArchiveHeader header;
    bool hasCheck = false;
    ArchiveSalt salt{};
    PasskeyCheckValue check{};
};

// Reads and checks the archive header at the start of `source`: the
// warnings for a newer version, an unknown algorithm and an unclear header
// flag (each answered No ends the job with status 2; each asked once per
// archive and job), the RC4 notice when
// probing, then the salt and check value of version 4 and later. Returns
// nothing, after telling the user, when the archive is too short to hold
// them.
std::optional<OpenedArchive> CheckArchiveHeader(ByteSource& source, const std::string& archivePath,
                                                HeaderCheckForm form, Ui& ui, ReaderState& state);

}  // namespace pelorin::archive
