#include "archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include "archive/ArchiveStart.h"
#include "archive/ArchiveWriter.h"
#include "archive/EntryNames.h"
#include "archive/Streams.h"
#include "archive/WorkerPool.h"
#include "cipher/ChaCha20Poly1305.h"

namespace pelorin::test {

std::vector<std::uint8_t> Span(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> WriteTestArchive(const std::vector<TestEntry>& entries, const ArchiveOptions& options) {
    archive::MemorySink sink;
    archive::ArchiveHeader header;
    header.algorithm = static_cast<std::uint8_t>(options.algorithm);
    header.encryptedHeaders = options.encryptHeaders ? 1 : 0;
    header.hashedPasskey = options.hashPasskey ? 1 : 0;
    const auto passkey = Span(options.passkey);
    archive::ArchiveSalt salt = {9, 8, 7, 6, 5, 4, 3, 2};
    EXPECT_TRUE(archive::WriteArchiveStart(sink, header, salt, passkey));
    FakeUi ui;
    FakeProgressView view;
    ProgressDialog progress(view, ui);
    for (const auto& entry : entries) {
        EXPECT_TRUE(archive::WriteEntryName(sink, entry.name, options.encryptHeaders, passkey));
        archive::MemorySource source(entry.data);
        EntrySalt salt{};
        EXPECT_TRUE(archive::DrawEntrySalt(salt));
        archive::ArchiveWriter writer(source, sink, passkey, options.encryptHeaders,
                                      options.hashPasskey ? PasskeyHashing::On : PasskeyHashing::Off, salt);
        writer.Run(options.algorithm, progress, ui);
    }
    return sink.bytes();
}

ReadBack ReadTestArchive(const std::vector<std::uint8_t>& bytes, const std::string& passkeyText, FakeUi& ui) {
    ReadBack result;
    const auto passkey = Span(passkeyText);
    archive::MemorySource source(bytes);
    archive::ReaderState state;
    FakeProgressView view;
    ProgressDialog progress(view, ui);
    const auto opened = archive::CheckArchiveHeader(source, "C:\\dir\\test.pvb", archive::HeaderCheckForm::Decrypting,
                                                    ui, state);
    if (!opened) return result;
    result.opened = true;
    while (!source.AtEnd()) {
        const auto name = archive::ReadEntryName(source, *opened, passkey, state);
        if (!name.name) {
            result.damaged = true;
            break;
        }
        archive::MemorySink output;
        archive::ArchiveReader reader(source, output, passkey, archive::HeadersEncrypted(opened->header),
                                      archive::EntryFraming::Archive, archive::EntryHashing(opened->header));
        const auto outcome = reader.Run(opened->header.algorithm, progress, ui, state);
        result.entries.push_back({*name.name, output.bytes()});
        result.outcomes.push_back(outcome);
        if (outcome == archive::ReadOutcome::Truncated || outcome == archive::ReadOutcome::KeyTooShort) break;
    }
    return result;
}

archive::EntryMetadata FileMetadata(const std::string& name, std::size_t size) {
    archive::EntryMetadata metadata;
    metadata.kind = archive::EntryKind::File;
    metadata.name = name;
    metadata.size = size;
    return metadata;
}

archive::EntryMetadata FolderMetadata(const std::string& name) {
    archive::EntryMetadata metadata;
    metadata.kind = archive::EntryKind::Folder;
    metadata.name = name;
    return metadata;
}

std::vector<std::uint8_t> WriteModernTestArchive(const std::vector<ModernTestEntry>& entries,
                                                 const std::string& passkey, const archive::ModernWriterSeeds* seeds,
                                                 const archive::ModernCost& cost) {
    archive::MemoryArchiveOutput output;
    archive::ModernBeginFailure failure;
    const auto key = Span(passkey);
    auto writer = archive::ModernWriter::Begin(output, key, cost, archive::JobWorkers(), {}, failure, seeds);
    EXPECT_TRUE(writer);
    if (!writer) return {};
    FakeUi ui;
    FakeProgressView view;
    ProgressDialog progress(view, ui);
    for (const auto& entry : entries) {
        if (entry.metadata.kind == archive::EntryKind::Folder) {
            EXPECT_EQ(writer->AddFolder(entry.metadata), archive::ModernEntryOutcome::Stored);
            continue;
        }
        archive::MemorySource source(entry.data);
        EXPECT_EQ(writer->AddFile(entry.metadata, source, [] { return true; }, progress),
                  archive::ModernEntryOutcome::Stored);
    }
    EXPECT_TRUE(writer->Finish());
    return output.bytes();
}

std::vector<std::uint8_t> SealedEntryRecord(std::span<const std::uint8_t> fileKey, std::uint64_t index,
                                            const std::vector<std::uint8_t>& items) {
    archive::EntrySaltV8 salt{};
    salt.fill(static_cast<std::uint8_t>(0x50 + index));
    const auto keys = archive::DeriveEntryKeys(fileKey, index, salt);
    std::vector<std::uint8_t> record(archive::kEntryRecordHeadSize + items.size() + archive::kModernTagSize);
    record[0] = archive::kEntryRecord;
    std::copy(salt.begin(), salt.end(), record.begin() + 1);
    archive::PutU32(&record[1 + archive::kEntrySaltSizeV8], static_cast<std::uint32_t>(items.size() + archive::kModernTagSize));
    const std::array<std::uint8_t, 12> nonce{};
    ChaCha20Poly1305Seal(archive::KeyOf(keys.meta), nonce, {}, items,
                         std::span(record).subspan(archive::kEntryRecordHeadSize));
    return record;
}

std::vector<std::uint8_t> SealedEndRecord(std::span<const std::uint8_t> fileKey, std::uint64_t entries,
                                          std::uint64_t bytes) {
    const auto key = archive::DeriveEndKey(fileKey);
    std::vector<std::uint8_t> record(archive::kEndRecordSize);
    record[0] = archive::kEndRecord;
    const std::array<std::uint8_t, 12> nonce{};
    ChaCha20Poly1305Seal(archive::KeyOf(key), nonce, {}, archive::EncodeEndTotals(entries, bytes),
                         std::span(record).subspan(1));
    return record;
}

ModernReadBack ReadModernTestArchive(const std::vector<std::uint8_t>& bytes, const std::string& passkey,
                                     archive::ModernKeyRing* ring) {
    ModernReadBack back;
    archive::ModernKeyRing ownRing;
    archive::ModernKeyRing& keys = ring ? *ring : ownRing;
    archive::MemorySource source(bytes);
    const auto key = Span(passkey);
    const auto opening = keys.Open(source, key, archive::JobWorkers());
    back.opened = opening.result;
    back.headerFault = opening.fault;
    if (opening.result != archive::ModernOpening::Result::Opened) return back;
    FakeUi ui;
    FakeProgressView view;
    ProgressDialog progress(view, ui);
    archive::ModernReader reader(source, opening.fileKey, archive::JobWorkers());
    for (;;) {
        archive::ModernRecord record = reader.Next();
        if (record.kind != archive::ModernRecord::Kind::Entry) {
            back.last = record;
            return back;
        }
        ModernTestEntry entry{record.metadata, {}};
        archive::ModernDataResult result;
        if (record.metadata.kind == archive::EntryKind::File) {
            archive::MemorySink sink;
            result = reader.ReadData(&sink, progress);
            entry.data = sink.bytes();
        }
        back.entries.push_back(std::move(entry));
        back.results.push_back(result);
    }
}

}  // namespace pelorin::test
