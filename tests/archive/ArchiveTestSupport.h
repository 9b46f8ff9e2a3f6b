#pragma once

#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/ArchiveReader.h"
#include "archive/HeaderCheck.h"
#include "archive/ModernOpening.h"
#include "archive/ModernReader.h"
#include "archive/ModernWriter.h"
#include "support/FakeUi.h"

namespace pelorin::test {

struct TestEntry {
    std::string name;
    std::vector<std::uint8_t> data;
};

struct ArchiveOptions {
    int algorithm = 1;
    bool encryptHeaders = true;
    bool hashPasskey = true;
    std::string passkey = "passkey-0123456789";
};

// Writes a version 7 archive the way the encryptor does.
std::vector<std::uint8_t> WriteTestArchive(const std::vector<TestEntry>& entries, const ArchiveOptions& options);

// Reads every entry back with the reader into memory. Messages go to `ui`.
struct ReadBack {
    bool opened = false;
    std::vector<TestEntry> entries;
    std::vector<archive::ReadOutcome> outcomes;
    bool damaged = false;
};
ReadBack ReadTestArchive(const std::vector<std::uint8_t>& bytes, const std::string& passkey, FakeUi& ui);

std::vector<std::uint8_t> Span(const std::string& text);

// Version 8: entries as the writer takes them (the data of folders empty).
struct ModernTestEntry {
    archive::EntryMetadata metadata;
    std::vector<std::uint8_t> data;
};
archive::EntryMetadata FileMetadata(const std::string& name, std::size_t size);
archive::EntryMetadata FolderMetadata(const std::string& name);

// The cheapest cost the format takes, so that tests derive keys quickly.
inline constexpr archive::ModernCost kTestCost{1, 1, archive::kMinLog2MemoryKiB};

std::vector<std::uint8_t> WriteModernTestArchive(const std::vector<ModernTestEntry>& entries,
                                                 const std::string& passkey,
                                                 const archive::ModernWriterSeeds* seeds = nullptr,
                                                 const archive::ModernCost& cost = kTestCost);

// Every record read back: entries with their data (authenticated bytes
// only) and how each came out, then the record that ended the reading.
struct ModernReadBack {
    archive::ModernOpening::Result opened = archive::ModernOpening::Result::Unreadable;
    archive::HeaderFault headerFault;
    std::vector<ModernTestEntry> entries;
    std::vector<archive::ModernDataResult> results;
    archive::ModernRecord last;
};
// Records as no writer of this version makes them: an entry record whose
// metadata are the given item bytes, and an end record with the given
// totals, sealed under `fileKey` for entry `index`.
std::vector<std::uint8_t> SealedEntryRecord(std::span<const std::uint8_t> fileKey, std::uint64_t index,
                                            const std::vector<std::uint8_t>& items);
std::vector<std::uint8_t> SealedEndRecord(std::span<const std::uint8_t> fileKey, std::uint64_t entries,
                                          std::uint64_t bytes);

// `ring` (when given) keeps file keys between calls on one passkey.
ModernReadBack ReadModernTestArchive(const std::vector<std::uint8_t>& bytes, const std::string& passkey,
                                     archive::ModernKeyRing* ring = nullptr);

}  // namespace pelorin::test
