// The version-8 engines: the format's worked example in both directions,
// round trips across the chunk and batch boundaries, every tamper the
// format is meant to catch, hostile headers, and a source that changes
// while it is stored.
#include <gtest/gtest.h>

#include <functional>

#include "TestHex.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/ModernChunks.h"
#include "archive/WorkerPool.h"

namespace pelorin::archive {
namespace {

using test::FromHex;
using test::ModernTestEntry;
using Fault = ModernFault;
using Result = ModernDataResult::Kind;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kWorkedPasskey = "correct horse \xe2\x98\x83";

const char* const kWorkedArchive =
    "0809010150454c4f52494e380101010d000102030405060708090a0b0c0d0e0f"
    "3f500c39862e8907b92792f3bfdb6e168c3c3cb7554490ac4a40c0815eee80eb"
    "80a7078a1a2b8aba63bb8fb9ea6d1e9d00000000000000000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000"
    "01a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a02a000000ac7931d0fc7a23fe728cf9"
    "ddaf3fde019e35b4bf654fac3398523b8e31ad98edaed586eaad544bdf78d501"
    "a1a1a1a1a1a1a1a1a1a1a1a1a1a1a1a13b000000d5f4184cd8b8a5261822d265"
    "e668a65c8be951c00136594630230d536683c47d699fb825bff4bdf78c7042e6"
    "7cfc1566f7b51b5792d61f2161ac87dc2fb0bf47d32b3c9cd4c37358a47701cb"
    "f8f6dfdf3fcf3f95d6d88f6b01a2a2a2a2a2a2a2a2a2a2a2a2a2a2a2a23b0000"
    "009d85e2e4785de1b41672678e0f1dd7927e439eeb8c856ca0909164da746afc"
    "d2fe57e4325be2008fdcb99cb4bfde049d381ae4f49fb2c114893f378056243e"
    "a6fe420988e01f0af411972b0270d0940f172863ba6f44f59be8507d2658adff"
    "2511633c5f237c8964a92bd647";

std::vector<ModernTestEntry> WorkedEntries() {
    EntryMetadata work = test::FolderMetadata("Work");
    work.time = ModernTime{1765000000, 0};
    EntryMetadata text = test::FileMetadata("Work\\a.txt", 13);
    text.time = ModernTime{1765000001, 500};
    EntryMetadata empty = test::FileMetadata("Work\\empty", 0);
    empty.time = ModernTime{1765000002, 0};
    return {{work, {}}, {text, test::Span("hello, world\n")}, {empty, {}}};
}

ModernWriterSeeds WorkedSeeds() {
    ModernWriterSeeds seeds;
    ModernSalt salt{};
    for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = static_cast<std::uint8_t>(i);
    std::array<std::uint8_t, kFileKeySize> fileKey{};
    for (std::size_t i = 0; i < fileKey.size(); ++i) fileKey[i] = static_cast<std::uint8_t>(0x20 + i);
    seeds.archiveSalt = salt;
    seeds.fileKey = fileKey;
    for (std::uint8_t fill : {0xa0, 0xa1, 0xa2}) {
        EntrySaltV8 entry{};
        entry.fill(fill);
        seeds.entrySalts.push_back(entry);
    }
    return seeds;
}

void ExpectSameEntries(const std::vector<ModernTestEntry>& got, const std::vector<ModernTestEntry>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(expected[i].metadata.name);
        EXPECT_EQ(got[i].metadata.kind, expected[i].metadata.kind);
        EXPECT_EQ(got[i].metadata.name, expected[i].metadata.name);
        EXPECT_EQ(got[i].metadata.size, expected[i].metadata.size);
        EXPECT_EQ(got[i].metadata.time, expected[i].metadata.time);
        EXPECT_EQ(got[i].metadata.mode, expected[i].metadata.mode);
        EXPECT_EQ(got[i].data, expected[i].data);
    }
}

TEST(ModernArchiveTest, TheWorkedExampleIsWrittenByteForByteAndReadBack) {
    const ModernWriterSeeds seeds = WorkedSeeds();
    const Bytes written = test::WriteModernTestArchive(WorkedEntries(), kWorkedPasskey, &seeds, {1, 1, 13});
    EXPECT_EQ(written, FromHex(kWorkedArchive));
    EXPECT_EQ(written.size(), 429u);

    const auto back = test::ReadModernTestArchive(FromHex(kWorkedArchive), kWorkedPasskey);
    ASSERT_EQ(back.opened, ModernOpening::Result::Opened);
    ExpectSameEntries(back.entries, WorkedEntries());
    EXPECT_EQ(back.last.kind, ModernRecord::Kind::End);
    EXPECT_EQ(test::ReadModernTestArchive(FromHex(kWorkedArchive), "correct horse").opened,
              ModernOpening::Result::WrongPasskey);
}

TEST(ModernArchiveTest, FilesOfEverySizeAroundTheChunkAndBatchBoundariesComeBack) {
    const std::size_t batch = kChunksPerBatch * kModernChunkSize;
    std::vector<ModernTestEntry> entries{{test::FolderMetadata("Top"), {}}};
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, kModernChunkSize - 1, kModernChunkSize,
                             kModernChunkSize + 1, 2 * batch + 7}) {
        EntryMetadata metadata = test::FileMetadata("Top\\f" + std::to_string(size), size);
        metadata.time = ModernTime{-86400 * 365, 999'999'999};
        metadata.mode = 0640;
        entries.push_back({metadata, test::TestBytes(size, static_cast<std::uint32_t>(size))});
    }
    entries.push_back({test::FolderMetadata("Top\\empty folder"), {}});
    const Bytes bytes = test::WriteModernTestArchive(entries, "p");
    const auto back = test::ReadModernTestArchive(bytes, "p");
    ExpectSameEntries(back.entries, entries);
    for (const auto& result : back.results) EXPECT_EQ(result.kind, Result::Complete);
    EXPECT_EQ(back.last.kind, ModernRecord::Kind::End);

    std::uint64_t stored = kModernHeaderSize + kEndRecordSize;
    for (const auto& entry : entries) {
        stored += kEntryRecordHeadSize + EncodeMetadata(entry.metadata).size() + kModernTagSize;
        if (entry.metadata.kind == EntryKind::File) stored += StoredDataLength(entry.metadata.size);
    }
    EXPECT_EQ(bytes.size(), stored);
}

// The archive the tamper cases work on: a folder, a file of three chunks
// (first, middle, last), a small file and an empty one.
struct Layout {
    Bytes bytes;
    std::vector<ModernTestEntry> entries;
    std::vector<std::size_t> records;  // where each entry record begins
    std::size_t end = 0;               // where the end record begins
    std::size_t DataOf(std::size_t entry) const {
        return records[entry] + kEntryRecordHeadSize + EncodeMetadata(entries[entry].metadata).size() +
               kModernTagSize;
    }
};

Layout TamperBase(const std::string& passkey) {
    Layout layout;
    layout.entries = {{test::FolderMetadata("Dir"), {}},
                      {test::FileMetadata("Dir\\a", 2 * kModernChunkSize + 100), test::TestBytes(2 * kModernChunkSize + 100, 1)},
                      {test::FileMetadata("Dir\\b", 10), test::TestBytes(10, 2)},
                      {test::FileMetadata("Dir\\e", 0), {}}};
    layout.bytes = test::WriteModernTestArchive(layout.entries, passkey);
    std::size_t at = kModernHeaderSize;
    for (const auto& entry : layout.entries) {
        layout.records.push_back(at);
        at += kEntryRecordHeadSize + EncodeMetadata(entry.metadata).size() + kModernTagSize;
        if (entry.metadata.kind == EntryKind::File) at += StoredDataLength(entry.metadata.size);
    }
    layout.end = at;
    return layout;
}

Bytes Cut(Bytes bytes, std::size_t length) {
    bytes.resize(length);
    return bytes;
}
Bytes Flip(Bytes bytes, std::size_t at) {
    bytes.at(at) ^= 0x01;
    return bytes;
}
Bytes Without(const Bytes& bytes, std::size_t from, std::size_t to) {
    Bytes out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(from));
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(to), bytes.end());
    return out;
}
Bytes Inserted(const Bytes& bytes, std::size_t at, const Bytes& piece) {
    Bytes out = bytes;
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
    return out;
}
Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

TEST(ModernArchiveTest, EveryTamperIsFoundAndOnlyAuthenticatedBytesComeOut) {
    const std::string passkey = "tamper";
    const Layout base = TamperBase(passkey);
    const Layout other = TamperBase(passkey);  // another archive under the same passkey
    const Bytes& b = base.bytes;
    const std::size_t r1 = base.records[1], r2 = base.records[2], r3 = base.records[3];
    const std::size_t data1 = base.DataOf(1);
    const std::size_t chunk = kSealedChunkSize;

    struct Case {
        const char* what;
        Bytes bytes;
        std::size_t entriesBack;      // entries whose record came back
        std::vector<Result> results;  // of the file entries among them, in order
        Fault fault;                  // the record that ended the reading (None: the end record)
        std::size_t faultOffset;
        std::size_t bytesOfA;  // what came out of Dir\a
    };
    const std::size_t wholeA = 2 * kModernChunkSize + 100;
    const std::vector<Case> cases = {
        {"untouched", b, 4, {Result::Complete, Result::Complete, Result::Complete}, Fault::None, base.end, wholeA},
        {"entry salt", Flip(b, r1 + 1), 1, {}, Fault::MetadataTagFailed, r1, 0},
        {"metadata length changed", Flip(b, r1 + 17), 1, {}, Fault::MetadataTagFailed, r1, 0},
        {"metadata length, out of range", Flip(b, r1 + 19), 1, {}, Fault::MetadataLengthOutOfRange, r1, 0},
        {"metadata", Flip(b, r1 + 25), 1, {}, Fault::MetadataTagFailed, r1, 0},
        {"metadata tag", Flip(b, data1 - 1), 1, {}, Fault::MetadataTagFailed, r1, 0},
        {"record type", Flip(b, r2), 2, {Result::Complete}, Fault::UnknownRecordType, r2, wholeA},
        {"first chunk", Flip(b, data1 + 5), 4, {Result::FailedTag, Result::Complete, Result::Complete}, Fault::None,
         base.end, 0},
        {"middle chunk", Flip(b, data1 + chunk + 7), 4, {Result::FailedTag, Result::Complete, Result::Complete},
         Fault::None, base.end, kModernChunkSize},
        {"last chunk's tag", Flip(b, r2 - 1), 4, {Result::FailedTag, Result::Complete, Result::Complete}, Fault::None,
         base.end, 2 * kModernChunkSize},
        {"end record", Flip(b, base.end + 3), 4, {Result::Complete, Result::Complete, Result::Complete},
         Fault::EndRecordTagFailed, base.end, wholeA},
        {"end record type", Flip(b, base.end), 4, {Result::Complete, Result::Complete, Result::Complete},
         Fault::UnknownRecordType, base.end, wholeA},
        {"cut at a chunk boundary", Cut(b, data1 + chunk), 2, {Result::CutShort}, Fault::EndsInsideRecord, data1 + chunk,
         kModernChunkSize},
        {"cut inside a chunk", Cut(b, data1 + chunk + 10), 2, {Result::CutShort}, Fault::EndsInsideRecord,
         data1 + chunk + 10, kModernChunkSize},
        {"cut at an entry boundary", Cut(b, r2), 2, {Result::Complete}, Fault::EndsBeforeEndRecord, r2, wholeA},
        {"cut inside a record head", Cut(b, r2 + 5), 2, {Result::Complete}, Fault::EndsInsideRecord, r2 + 5, wholeA},
        {"cut before the end record", Cut(b, base.end), 4, {Result::Complete, Result::Complete, Result::Complete},
         Fault::EndsBeforeEndRecord, base.end, wholeA},
        {"one byte short", Cut(b, b.size() - 1), 4, {Result::Complete, Result::Complete, Result::Complete},
         Fault::EndsInsideRecord, b.size() - 1, wholeA},
        {"a trailing byte", Inserted(b, b.size(), {0}), 4, {Result::Complete, Result::Complete, Result::Complete},
         Fault::TrailingBytes, b.size(), wholeA},
        {"two entries swapped",
         Inserted(Without(b, r2, r3), r2 + (base.end - r3), Slice(b, r2, r3)), 2, {Result::Complete},
         Fault::MetadataTagFailed, r2, wholeA},
        {"an entry dropped", Without(b, r2, r3), 2, {Result::Complete}, Fault::MetadataTagFailed, r2, wholeA},
        {"the last entry dropped", Without(b, r3, base.end), 3, {Result::Complete, Result::Complete},
         Fault::EndTotalsDiffer, r3, wholeA},
        {"an entry duplicated", Inserted(b, r3, Slice(b, r2, r3)), 3, {Result::Complete, Result::Complete},
         Fault::MetadataTagFailed, r3, wholeA},
        {"an entry spliced from another archive",
         Inserted(Without(b, r2, r3), r2, Slice(other.bytes, other.records[2], other.records[3])), 2,
         {Result::Complete}, Fault::MetadataTagFailed, r2, wholeA},
        {"another archive's end record", Inserted(Cut(b, base.end), base.end, Slice(other.bytes, other.end, other.bytes.size())),
         4, {Result::Complete, Result::Complete, Result::Complete}, Fault::EndRecordTagFailed, base.end, wholeA},
    };
    ModernKeyRing ring;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto back = test::ReadModernTestArchive(c.bytes, passkey, &ring);
        ASSERT_EQ(back.opened, ModernOpening::Result::Opened);
        EXPECT_EQ(back.entries.size(), c.entriesBack);
        std::vector<Result> results;
        for (std::size_t i = 0; i < back.entries.size(); ++i) {
            if (back.entries[i].metadata.kind == EntryKind::File) results.push_back(back.results[i].kind);
        }
        EXPECT_EQ(results, c.results);
        if (c.fault == Fault::None) {
            EXPECT_EQ(back.last.kind, ModernRecord::Kind::End);
        } else {
            EXPECT_EQ(back.last.fault, c.fault);
        }
        EXPECT_EQ(back.last.offset, c.faultOffset);
        // Whatever came out of Dir\a is its plaintext's beginning: never a
        // byte that did not authenticate.
        if (back.entries.size() > 1) {
            const Bytes& a = back.entries[1].data;
            EXPECT_EQ(a.size(), c.bytesOfA);
            EXPECT_TRUE(std::equal(a.begin(), a.end(), base.entries[1].data.begin()));
        }
    }
}

TEST(ModernArchiveTest, AChangedHeaderByteOrACutHeaderIsRefusedBeforeAnyEntry) {
    const std::string passkey = "header";
    const Bytes b = test::WriteModernTestArchive({{test::FileMetadata("x", 1), {7}}}, passkey);
    for (std::size_t at = 0; at < kModernHeaderSize; ++at) {
        SCOPED_TRACE(at);
        const auto back = test::ReadModernTestArchive(Flip(b, at), passkey);
        // The fields with ranges are refused by them; the salt, the wrapped
        // key and everything else the key's tag covers by the tag.
        const bool ranged = at < kModernSaltOffset || at >= kModernReservedOffset;
        EXPECT_EQ(back.opened, ranged ? ModernOpening::Result::BadHeader : ModernOpening::Result::WrongPasskey);
        if (ranged) EXPECT_EQ(back.headerFault.offset, at);
    }
    EXPECT_EQ(test::ReadModernTestArchive(Cut(b, kModernHeaderSize - 1), passkey).opened,
              ModernOpening::Result::ShortHeader);
}

TEST(ModernArchiveTest, AHostileCostIsRefusedFromTheHeaderAlone) {
    ModernHeader header;
    const ModernHeaderBytes sound = header.Serialize();
    struct Case {
        std::size_t offset;
        std::uint8_t value;
        HeaderFault::Kind kind;
    };
    const Case cases[] = {
        {kModernMemoryOffset, 23, HeaderFault::Kind::CostOutOfRange},  // 8 GiB
        {kModernMemoryOffset, 12, HeaderFault::Kind::CostOutOfRange},
        {kModernMemoryOffset, 255, HeaderFault::Kind::CostOutOfRange},
        {kModernPassesOffset, 100, HeaderFault::Kind::CostOutOfRange},
        {kModernPassesOffset, 0, HeaderFault::Kind::CostOutOfRange},
        {kModernLanesOffset, 17, HeaderFault::Kind::CostOutOfRange},
        {kModernLanesOffset, 0, HeaderFault::Kind::CostOutOfRange},
        {kModernKdfOffset, 2, HeaderFault::Kind::Malformed},
        {0, 7, HeaderFault::Kind::NotVersion8},
        {1, 1, HeaderFault::Kind::Malformed},
        {kModernReservedOffset + 47, 1, HeaderFault::Kind::Malformed},
    };
    ASSERT_TRUE(ParseModernHeader(sound).header);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        ModernHeaderBytes bytes = sound;
        bytes[c.offset] = c.value;
        const auto parsed = ParseModernHeader(bytes);
        EXPECT_FALSE(parsed.header);
        EXPECT_EQ(parsed.fault.kind, c.kind);
        EXPECT_EQ(parsed.fault.offset, c.offset);
        // The ring refuses it the same way, before any derivation.
        ModernKeyRing ring;
        EXPECT_EQ(ring.Open(bytes, test::Span("p"), JobWorkers()).result, ModernOpening::Result::BadHeader);
    }
    EXPECT_EQ(Log2MemoryKiBFromMiB(8), std::optional<std::uint8_t>(13));
    EXPECT_EQ(Log2MemoryKiBFromMiB(4096), std::optional<std::uint8_t>(22));
    EXPECT_FALSE(Log2MemoryKiBFromMiB(8192));
    EXPECT_FALSE(Log2MemoryKiBFromMiB(100));
}

TEST(ModernArchiveTest, MetadataItemsAreTakenOnlyWhenWellFormed) {
    const auto item = [](std::uint8_t type, Bytes value) {
        Bytes out = {type, static_cast<std::uint8_t>(value.size()), static_cast<std::uint8_t>(value.size() >> 8)};
        for (const std::uint8_t byte : value) out.push_back(byte);
        return out;
    };
    const auto join = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const auto& part : parts) {
            for (const std::uint8_t byte : part) out.push_back(byte);
        }
        return out;
    };
    const Bytes kindFile = item(1, {0}), kindFolder = item(1, {1}), name = item(2, test::Span("n")),
                size = item(3, {5, 0, 0, 0, 0, 0, 0, 0});
    struct Case {
        const char* what;
        Bytes bytes;
        bool taken;
        std::optional<std::uint8_t> critical;
    };
    const std::vector<Case> cases = {
        {"a file", join({kindFile, name, size}), true, {}},
        {"items in another order", join({size, name, kindFile}), true, {}},
        {"a folder", join({kindFolder, name}), true, {}},
        {"an unknown item below 0x80 is ignored", join({kindFile, name, size, item(0x7f, {1, 2})}), true, {}},
        {"an unknown item from 0x80 up is critical", join({kindFile, name, size, item(0x80, {})}), true, 0x80},
        {"a file without its size", join({kindFile, name}), false, {}},
        {"no kind", join({name, size}), false, {}},
        {"no name", join({kindFile, size}), false, {}},
        {"a type twice", join({kindFile, name, size, item(0x7f, {}), item(0x7f, {})}), false, {}},
        {"a kind of 2", join({item(1, {2}), name}), false, {}},
        {"a folder with a size", join({kindFolder, name, size}), false, {}},
        {"a size of 7 bytes", join({kindFile, name, item(3, {1, 2, 3, 4, 5, 6, 7})}), false, {}},
        {"a size no file has", join({kindFile, name, item(3, {1, 0, 0, 0, 0, 0, 0, 0x40})}), false, {}},
        {"a time of 10^9 ns", join({kindFile, name, size, item(4, {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0xca, 0x9a, 0x3b})}),
         false, {}},
        {"an item running past the end", Cut(join({kindFile, name, size}), 15), false, {}},
        {"a lone type byte", join({kindFile, name, size, {9}}), false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto decoded = DecodeMetadata(c.bytes);
        EXPECT_EQ(decoded.metadata.has_value(), c.taken);
        if (decoded.metadata) EXPECT_EQ(decoded.metadata->unknownCritical, c.critical);
    }
}

TEST(ModernArchiveTest, NamesMustBeUtf8RelativePaths) {
    for (const char* good : {"a", "Work\\a.txt", "caf\xc3\xa9", "\xe2\x98\x83", "\xf0\x9d\x84\x9e"}) {
        EXPECT_TRUE(IsValidModernName(good)) << good;
    }
    for (const char* bad : {"", "\xc0\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x98", "\x80", "a\\\\b",
                            "\\a", "a\\", "..\\a", "c:a"}) {
        EXPECT_FALSE(IsValidModernName(bad)) << test::ToHex(test::Span(bad));
    }
    EXPECT_TRUE(IsValidModernName(std::string(kMaxModernNameBytes, 'n')));
    EXPECT_FALSE(IsValidModernName(std::string(kMaxModernNameBytes + 1, 'n')));
}

// A source whose length or time changes while it is read: the archive is
// cut back to where the entry began, and the same entry, written again,
// takes that place with a fresh salt.
TEST(ModernArchiveTest, ASourceThatChangesIsTakenOutAndCanBeWrittenAgain) {
    MemoryArchiveOutput output;
    ModernBeginFailure failure;
    auto writer = ModernWriter::Begin(output, test::Span("p"), test::kTestCost, JobWorkers(), {}, failure);
    ASSERT_TRUE(writer);
    test::FakeUi ui;
    test::FakeProgressView view;
    ProgressDialog progress(view, ui);
    const Bytes data = test::TestBytes(3 * kChunksPerBatch * kModernChunkSize + 3, 9);
    ASSERT_EQ(writer->AddFolder(test::FolderMetadata("d")), ModernEntryOutcome::Stored);
    const Bytes before = output.bytes();
    struct Case {
        const char* what;
        std::size_t delivered;
        bool unchanged;
    };
    for (const Case& c : {Case{"changed after its last chunk", data.size(), false},
                          Case{"shrank while read", data.size() - 70000, true},
                          Case{"shrank to a single batch", 5, true}}) {
        SCOPED_TRACE(c.what);
        MemorySource source(std::span<const std::uint8_t>(data).first(c.delivered));
        EXPECT_EQ(writer->AddFile(test::FileMetadata("d\\f", data.size()), source, [&] { return c.unchanged; },
                                  progress),
                  ModernEntryOutcome::SourceChanged);
        EXPECT_EQ(output.bytes(), before);
    }
    MemorySource source(data);
    ASSERT_EQ(writer->AddFile(test::FileMetadata("d\\f", data.size()), source, [] { return true; }, progress),
              ModernEntryOutcome::Stored);
    ASSERT_TRUE(writer->Finish());
    const auto back = test::ReadModernTestArchive(output.bytes(), "p");
    ExpectSameEntries(back.entries, {{test::FolderMetadata("d"), {}}, {test::FileMetadata("d\\f", data.size()), data}});
    EXPECT_EQ(back.last.kind, ModernRecord::Kind::End);
}

}  // namespace
}  // namespace pelorin::archive
