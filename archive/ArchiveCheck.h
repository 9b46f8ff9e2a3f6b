#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"
#include "archive/HeaderCheck.h"
#include "archive/ModernOpening.h"
#include "archive/Streams.h"
#include "cipher/ParallelRunner.h"

// Reading an archive to its end without writing anything, to learn whether
// it is whole: what `pelorin test` does.
namespace pelorin::archive {

// One fault, with the byte of the archive it concerns.
struct ArchiveFault {
    std::uint64_t offset = 0;
    std::string text;
};

struct ArchiveCheck {
    enum class Outcome {
        Whole,         // read to its end; every fault list is empty
        Damaged,       // faults found (each named)
        WrongPasskey,  // the passkey does not open it: nothing could be checked
        NotChecked,    // it could not be read at all (the fault says why)
    } outcome = Outcome::NotChecked;
    std::uint8_t version = 0;
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;  // of the files stored
    std::vector<ArchiveFault> faults;
    // Version 0..3: no check value, so the passkey could not be checked
    // before the pad bytes were.
    bool passkeyUnchecked = false;

    void Add(std::uint64_t offset, std::string text) {
        faults.push_back({offset, std::move(text)});
        outcome = Outcome::Damaged;
    }
};

// Versions 0..7: the passkey against the check value where there is one,
// every length against the rest of the file, and every pad byte (of the
// enciphered header items and of the entries' data, whose last group is
// deciphered for it). These versions carry no integrity check: changed
// contents cannot be found. Header warnings are asked as the decryptor asks
// them (No ends the job).
ArchiveCheck CheckClassicArchive(ByteSource& source, const std::string& archivePath,
                                 std::span<const std::uint8_t> passkey, ProgressDialog& progress, Ui& ui,
                                 ReaderState& state);

// Version 8: the header, the file key, every entry's metadata and every
// chunk authenticated, and the end record with its totals; nothing may
// follow it. `derivation` hears of the key derivation's progress.
ArchiveCheck CheckModernArchive(ByteSource& source, std::span<const std::uint8_t> passkey, ModernKeyRing& ring,
                                ParallelRunner& workers, ProgressDialog& progress,
                                const DerivationProgress& derivation = {});

}  // namespace pelorin::archive
