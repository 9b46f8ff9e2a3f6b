#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "archive/ModernFormat.h"
#include "archive/ModernKeys.h"
#include "archive/Streams.h"
#include "platform/File.h"
#include "cipher/ParallelRunner.h"
#include "cipher/SecureBuffer.h"

namespace pelorin::archive {

// The first byte of an archive file, which decides which reader takes it;
// nothing when the file is empty or cannot be read. The file is left at its
// start.
std::optional<std::uint8_t> ArchiveVersionOf(platform::File& file);

// What opening a version-8 archive came to.
struct ModernOpening {
    enum class Result {
        Opened,
        Unreadable,         // the file could not be read
        ShortHeader,        // shorter than its header
        BadHeader,          // a field outside its range (fault says which)
        WrongPasskey,       // the file key did not open: another passkey, or a changed header
        MemoryUnavailable,  // the derivation's memory could not be had (memoryBytes)
    } result = Result::Unreadable;
    HeaderFault fault;
    std::uint64_t memoryBytes = 0;
    ModernHeader header;
    std::span<const std::uint8_t> fileKey;  // Opened: held by the key ring
};

// The file keys one job has opened, so that each archive's key is derived
// once per job although the job passes over the archive several times (the
// passkey check, the scan for the names, the restore). One ring serves one
// passkey: Clear it before another is tried. The keys are locked and
// scrubbed with the ring.
class ModernKeyRing {
public:
    // Reads the header at the start of `source` and opens its file key,
    // deriving the KEK unless the ring holds the key already. The header's
    // ranges are checked before anything is allocated for it.
    ModernOpening Open(ByteSource& source, std::span<const std::uint8_t> passkey, ParallelRunner& workers,
                       const DerivationProgress& progress = {});
    // The same for header bytes already read.
    ModernOpening Open(const ModernHeaderBytes& bytes, std::span<const std::uint8_t> passkey, ParallelRunner& workers,
                       const DerivationProgress& progress = {});

    // Whether opening the header would need the derivation (for the status
    // line that says it takes a while).
    bool Holds(const ModernHeaderBytes& bytes) const;

    void Clear() { keys_.clear(); }

private:
    std::vector<std::pair<ModernHeaderBytes, std::unique_ptr<SecureBuffer>>> keys_;
};

}  // namespace pelorin::archive
