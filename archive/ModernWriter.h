#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "archive/ModernFormat.h"
#include "archive/ModernKeys.h"
#include "archive/Streams.h"
#include "cipher/ParallelRunner.h"
#include "cipher/SecureBuffer.h"
#include "platform/File.h"

namespace pelorin::archive {

// What a version-8 writer appends to. Besides appending it says where it
// stands and cuts back to an earlier place: an entry whose source changed
// while it was read is taken out again.
class ArchiveOutput : public ByteSink {
public:
    virtual std::uint64_t Position() const = 0;
    virtual bool CutBack(std::uint64_t position) = 0;
    // Hands on what is buffered (before the archive is forced to the disk).
    virtual bool Flush() { return true; }
};

// An archive file, written through a buffer so that the many small records
// of a tree cost few system calls. Large writes go straight to the file.
class FileArchiveOutput final : public ArchiveOutput {
public:
    explicit FileArchiveOutput(platform::File& file);
    ~FileArchiveOutput() override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    std::uint64_t Position() const override { return position_; }
    bool CutBack(std::uint64_t position) override;
    bool Flush() override;
    const std::string& failureText() const { return failureText_; }

private:
    bool WriteFile(std::span<const std::uint8_t> bytes);

    platform::File& file_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t position_ = 0;  // of the next byte, buffered ones counted
    bool failed_ = false;
    std::string failureText_;
};

// An archive in memory (tests, fuzzing, benchmarks).
class MemoryArchiveOutput final : public ArchiveOutput {
public:
    bool Write(std::span<const std::uint8_t> bytes) override;
    std::uint64_t Position() const override { return bytes_.size(); }
    bool CutBack(std::uint64_t position) override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Fixed inputs in place of the random ones, so that a test can reproduce a
// known archive byte for byte. Entry salts are taken in order; once they run
// out, salts come from the system again.
struct ModernWriterSeeds {
    std::optional<ModernSalt> archiveSalt;
    std::optional<std::array<std::uint8_t, kFileKeySize>> fileKey;
    std::vector<EntrySaltV8> entrySalts;
};

enum class ModernEntryOutcome {
    Stored,
    SourceChanged,       // the source changed while it was read; the archive was cut back to the entry's start
    NoRandomSource,      // no salt could be drawn; nothing was written
    ArchiveWriteFailed,  // the archive did not take every byte (or could not be cut back)
};

// Why a version-8 archive could not be begun.
struct ModernBeginFailure {
    enum class Kind { None, NoRandomSource, MemoryUnavailable, ArchiveWriteFailed } kind = Kind::None;
    std::uint64_t memoryBytes = 0;  // what the derivation asked for
};

// Writes a version-8 archive: the header (the key derivation happens here),
// entry records with their sealed metadata and chunks, and the end record,
// which is written last, so that an archive that was not finished never reads
// as complete. Chunks are sealed side by side on `workers`, batch by batch,
// while the next batch is read and the previous one written. Holds the file
// key in locked memory and scrubs it at the end.
class ModernWriter {
public:
    static std::unique_ptr<ModernWriter> Begin(ArchiveOutput& output, std::span<const std::uint8_t> passkey,
                                               const ModernCost& cost, ParallelRunner& workers,
                                               const DerivationProgress& progress, ModernBeginFailure& failure,
                                               const ModernWriterSeeds* seeds = nullptr);
    ~ModernWriter();
    ModernWriter(const ModernWriter&) = delete;
    ModernWriter& operator=(const ModernWriter&) = delete;

    // A folder's record (metadata of kind Folder).
    ModernEntryOutcome AddFolder(const EntryMetadata& metadata);

    // A file's record and data: `metadata` announces the size (and time) the
    // source had when it was opened; `source` delivers its bytes; after the
    // last chunk `unchanged` says whether the source is still as announced.
    // A source that delivered fewer bytes, or changed, is taken out again
    // (SourceChanged). Progress is stepped once per batch; a confirmed cancel
    // ends the job there (JobExit).
    ModernEntryOutcome AddFile(const EntryMetadata& metadata, ByteSource& source,
                               const std::function<bool()>& unchanged, ProgressDialog& progress);

    // The end record. False when the archive did not take it.
    bool Finish();

    std::uint64_t entries() const { return entries_; }
    std::uint64_t fileBytes() const { return fileBytes_; }

private:
    // The buffers a batch passes through. They stay from entry to entry and
    // are scrubbed when the writer goes (the plaintext in locked memory).
    struct Slot {
        SecureBuffer plain;
        std::vector<std::uint8_t> sealed;
        std::size_t got = 0;
    };

    ModernWriter(ArchiveOutput& output, ParallelRunner& workers, SecureBuffer fileKey, const ModernWriterSeeds* seeds)
        : output_(output), workers_(workers), fileKey_(std::move(fileKey)), seeds_(seeds) {}

    bool DrawEntrySalt(EntrySaltV8& salt);
    // Record head and sealed metadata; false when the archive refused them.
    bool WriteRecordHead(const EntryKeys& keys, const EntrySaltV8& salt, const EntryMetadata& metadata);
    // The slot, its buffers holding at least `plainBytes` of plaintext
    // (and their sealed form).
    Slot& SlotAt(unsigned index, std::size_t plainBytes);

    ArchiveOutput& output_;
    ParallelRunner& workers_;
    SecureBuffer fileKey_;
    const ModernWriterSeeds* seeds_;
    std::size_t seedSaltsUsed_ = 0;
    std::uint64_t entries_ = 0;
    std::uint64_t fileBytes_ = 0;
    std::array<std::unique_ptr<Slot>, 3> slots_;
};

}  // namespace pelorin::archive
