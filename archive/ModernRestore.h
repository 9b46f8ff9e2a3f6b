#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"
#include "archive/EntryOutput.h"
#include "archive/ModernFormat.h"
#include "archive/ModernOpening.h"
#include "archive/Streams.h"

// The decryptor's passes over an archive of version 8, after its file key
// was opened: the names for the Choose Files dialog, and the restore with
// the output rules every archive's entries follow (a new file that takes its
// name only when complete, NAME.incomplete with the authenticated bytes).
namespace pelorin::archive {

// An entry's name as this host writes it: nothing when it cannot be restored
// here (a name the format does not take, or one with a character the
// system's code page lacks).
std::optional<std::string> HostEntryName(const std::string& utf8);

// Opens the archive in `source` (at its start) with the ring, telling the
// user why it cannot be: another passkey ("Incorrect Passkey"), a refused
// header, the derivation's memory, a short header. The derivation's
// progress shows on `progress` with a status that says it takes a moment.
ModernOpening OpenModernArchive(ByteSource& source, const std::string& archivePath,
                                std::span<const std::uint8_t> passkey, ModernKeyRing& ring, ProgressDialog& progress,
                                Ui& ui, const std::string& wrongPasskeyText);

// Reads every entry's name (the data are passed over), for the Choose Files
// dialog; `source` stands after the header. Names that cannot be restored
// are named and not offered; a fault ends the scan (told).
std::vector<std::string> ScanModernNames(ByteSource& source, std::span<const std::uint8_t> fileKey,
                                         const std::string& archivePath, const std::string& statusPrefix,
                                         ProgressDialog& progress, Ui& ui);

struct ModernRestoreResult {
    // The end record verified and every entry restored or left out by the
    // user's choice: only then may the archive be wiped.
    bool complete = false;
    std::size_t leftOut = 0;
    std::uint64_t readLength = 0;
};

// Restores the chosen entries (host names; nullptr: all) below the
// archive's folder: folders when their record comes, files with their time
// and access once complete, the folders' times and access after the last
// entry. Every entry and archive not restored whole is reported.
ModernRestoreResult RestoreModernArchive(ByteSource& source, std::span<const std::uint8_t> fileKey,
                                         const std::string& archivePath, const std::vector<std::string>* selection,
                                         ProgressDialog& progress, Ui& ui, RestoreJob& job);

// The access a restore gives back: permission bits without set-user-ID,
// set-group-ID and sticky; the read-only and hidden attributes.
platform::StoredAccess RestoredAccess(const EntryMetadata& entry);

}  // namespace pelorin::archive
