#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "archive/ModernChunks.h"
#include "archive/ModernFormat.h"
#include "archive/ModernKeys.h"
#include "archive/Streams.h"
#include "cipher/ParallelRunner.h"
#include "cipher/SecureBuffer.h"

namespace pelorin::archive {

// What stops the reading of a version-8 archive, with the byte it concerns.
enum class ModernFault {
    None,
    Unreadable,                // the file could not be read
    EndsBeforeEndRecord,       // cut short: the file ends where a record should begin
    EndsInsideRecord,          // cut short: the file ends inside a record (the offset is where it ends)
    UnknownRecordType,         // the entries after it cannot be found
    MetadataLengthOutOfRange,  // the same
    MetadataTagFailed,         // changed, moved, dropped, duplicated or from another archive
    MetadataMalformed,         // authenticated, but its items cannot be taken
    EndRecordTagFailed,
    EndTotalsDiffer,           // the end record counts other entries or bytes than came before it
    TrailingBytes,             // extended: bytes follow the end record
};

// Cut short or extended: the archive as a whole is not what was written,
// though every entry read before may be whole.
bool IsCutOrExtended(ModernFault fault);

struct ModernRecord {
    enum class Kind { Entry, End, Fault } kind = Kind::Fault;
    std::uint64_t offset = 0;  // where the record (or the fault) begins
    EntryMetadata metadata;    // Entry
    ModernFault fault = ModernFault::None;
    // EndTotalsDiffer: what the end record says and what came before it.
    std::uint64_t endEntries = 0, endBytes = 0, readEntries = 0, readBytes = 0;
    std::uint8_t recordType = 0;  // UnknownRecordType
    std::uint32_t metadataLength = 0;  // MetadataLengthOutOfRange
};

// How a file entry's data came out.
struct ModernDataResult {
    enum class Kind { Complete, FailedTag, CutShort, OutputFailed } kind = Kind::Complete;
    std::uint64_t offset = 0;  // the chunk that failed or was cut
};

// Reads the records of a version-8 archive after its header, front to back:
// each entry's sealed metadata is opened with its index's key, each file's
// chunks are opened batch by batch side by side on `workers`, and a chunk's
// plaintext is handed on only once it is authenticated (none after a chunk
// that failed). Data that are not wanted are passed over by their length.
// The end record's totals are checked against what came before it, and
// nothing may follow it.
class ModernReader {
public:
    // `source` stands after the header; `fileKey` outlives the reader.
    ModernReader(ByteSource& source, std::span<const std::uint8_t> fileKey, ParallelRunner& workers);
    ~ModernReader();
    ModernReader(const ModernReader&) = delete;
    ModernReader& operator=(const ModernReader&) = delete;

    // The next record. After an entry of a file, its data must be taken with
    // ReadData or SkipData before the next call. After End or Fault the
    // reading is over (every later call gives the same).
    ModernRecord Next();

    // The current file entry's data, into `sink` (nullptr: authenticated and
    // dropped). After a failed chunk the rest of the entry is passed over, so
    // that the next record can still be read.
    ModernDataResult ReadData(ByteSink* sink, ProgressDialog& progress);

    // Passes over the current entry's data. False when the archive ends
    // inside them (the next record is then the fault).
    bool SkipData(ProgressDialog& progress);

    // The bytes of the archive read so far (the offset of the next one).
    std::uint64_t offset() const { return offset_; }
    std::uint64_t entries() const { return index_; }

private:
    // The buffers a batch passes through. They stay from entry to entry and
    // are scrubbed when the reader goes (the plaintext in locked memory).
    struct Slot {
        SecureBuffer plain;
        std::vector<std::uint8_t> sealed;
        std::size_t got = 0;
        std::uint64_t opened = 0;  // chunks of the batch that opened
    };

    std::size_t Read(std::span<std::uint8_t> bytes);
    ModernRecord Stop(ModernFault fault, std::uint64_t offset);
    ModernRecord ReadEntryRecord(std::uint64_t offset);
    ModernRecord ReadEndRecord(std::uint64_t offset);
    bool Pass(std::uint64_t count, ProgressDialog* progress);
    // The slot, its buffers holding at least `plainBytes` of plaintext
    // (and their sealed form).
    Slot& SlotAt(unsigned index, std::size_t plainBytes);

    ByteSource& source_;
    std::span<const std::uint8_t> fileKey_;
    ParallelRunner& workers_;
    std::uint64_t offset_ = kModernHeaderSize;
    std::uint64_t index_ = 0;
    std::uint64_t fileBytes_ = 0;
    std::optional<ModernRecord> stopped_;
    // The current file entry whose data have not been taken yet.
    bool dataPending_ = false;
    std::uint64_t dataSize_ = 0;
    SecureBuffer dataKey_;
    std::array<std::unique_ptr<Slot>, 3> slots_;
};

}  // namespace pelorin::archive
