// The decrypt job over archives of version 8: every tamper leaves what was
// on disk under an entry's own name and writes only authenticated bytes
// beside it; an archive is wiped only when its end record verified and every
// entry came back; folders, times and modes come back; entries this version
// cannot understand are named and skipped.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestHex.h"
#include "app_common/ForwardingUi.h"
#include "app_common/JobExit.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/ModernChunks.h"
#include "decrypt_app/DecryptJob.h"
#include "platform/FileStatus.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"
#include "support/TestSettings.h"

namespace pelorin::decrypt {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;
using archive::kModernChunkSize;
using archive::kSealedChunkSize;

constexpr const char* kPasskey = "v8 passkey";
constexpr bool kPosix = platform::kHostSeparator == '/';

class ModernUi : public ForwardingUi<DecryptUi> {
public:
    ModernUi(platform::SettingsStore& settings) : ForwardingUi(fake), settings_(settings) {}
    bool RunDecryptDialog(DecryptDialogModel& model) override {
        model.passkey = passkey;
        model.passkeyAsGiven = asGiven;
        model.decryptAll = choice.empty();
        model.deleteSources = deleteSources;
        return model.ValidateOk(*this, settings_);
    }
    bool RunChooseFiles(const std::string&, const std::vector<std::string>& names,
                        std::vector<std::string>& chosen) override {
        offered = names;
        chosen = choice;
        return true;
    }
    bool RunImportOptions(const std::string&, int&, std::int64_t&) override { return false; }
    test::FakeUi fake;
    std::string passkey = kPasskey;
    std::string asGiven;  // the passkey as typed, where `passkey` is its code-page form
    std::vector<std::string> choice;
    std::vector<std::string> offered;
    bool deleteSources = false;

private:
    platform::SettingsStore& settings_;
};

struct ModernDecryptTest : ::testing::Test {
    test::TempFolder folder;
    test::TestSettings testSettings;
    ModernUi ui{testSettings.store()};
    test::FakeProgressView view;
    int Run(const std::string& archive) { return Run(std::vector<std::string>{archive}); }
    int Run(const std::vector<std::string>& archives) {
        std::vector<std::string> paths;
        for (const auto& archive : archives) paths.push_back(folder.Path(archive));
        return RunDecryptJob(paths, false, ui, view, testSettings.store());
    }
};

// The archive the tamper cases change: a folder, a file of three chunks, a
// small file and an empty one.
struct Base {
    std::vector<test::ModernTestEntry> entries;
    Bytes bytes;
    std::vector<std::size_t> records;
    std::size_t end = 0;
    std::size_t DataOf(std::size_t i) const {
        return records[i] + archive::kEntryRecordHeadSize + archive::EncodeMetadata(entries[i].metadata).size() +
               archive::kModernTagSize;
    }
};

Base MakeBase() {
    Base base;
    archive::EntryMetadata dir = test::FolderMetadata("Dir");
    dir.time = archive::ModernTime{1000000000, 5};
    archive::EntryMetadata a = test::FileMetadata("Dir\\a", 2 * kModernChunkSize + 100);
    a.mode = 04751;
    a.time = archive::ModernTime{1500000000, 123456789};
    base.entries = {{dir, {}},
                    {a, test::TestBytes(2 * kModernChunkSize + 100, 7)},
                    {test::FileMetadata("Dir\\b", 10), test::Span("0123456789")},
                    {test::FileMetadata("Dir\\e", 0), {}}};
    base.bytes = test::WriteModernTestArchive(base.entries, kPasskey);
    std::size_t at = archive::kModernHeaderSize;
    for (const auto& entry : base.entries) {
        base.records.push_back(at);
        at += archive::kEntryRecordHeadSize + archive::EncodeMetadata(entry.metadata).size() + archive::kModernTagSize;
        if (entry.metadata.kind == archive::EntryKind::File) at += archive::StoredDataLength(entry.metadata.size);
    }
    base.end = at;
    return base;
}

Bytes Flip(Bytes bytes, std::size_t at) {
    bytes.at(at) ^= 0x20;
    return bytes;
}
Bytes Cut(Bytes bytes, std::size_t length) {
    bytes.resize(length);
    return bytes;
}
Bytes Splice(const Bytes& bytes, std::size_t from, std::size_t to, const Bytes& piece, std::size_t at) {
    Bytes out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(from));
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(to), bytes.end());
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
    return out;
}
Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

TEST_F(ModernDecryptTest, EveryTamperLeavesTheOldFileAndKeepsOnlyAuthenticatedBytesBesideIt) {
    const Base base = MakeBase();
    const Bytes& b = base.bytes;
    const Bytes old = test::Span("what was there before");
    const Bytes& a = base.entries[1].data;
    const std::size_t r2 = base.records[2], r3 = base.records[3], data1 = base.DataOf(1);
    archive::ModernHeaderBytes hostile{};
    std::copy_n(b.begin(), hostile.size(), hostile.begin());
    hostile[archive::kModernMemoryOffset] = 23;  // 8 GiB
    Bytes hostileArchive = b;
    std::copy(hostile.begin(), hostile.end(), hostileArchive.begin());

    struct Case {
        const char* what;
        Bytes bytes;
        int status;
        std::optional<std::size_t> aIncomplete;  // bytes kept as Dir/a.incomplete
        bool aRestored, bRestored, archiveKept;
    };
    const std::vector<Case> cases = {
        {"untouched", b, 0, {}, true, true, false},
        {"first chunk", Flip(b, data1 + 3), 4, {}, false, true, true},
        {"middle chunk", Flip(b, data1 + kSealedChunkSize + 3), 4, kModernChunkSize, false, true, true},
        {"last chunk", Flip(b, r2 - 20), 4, 2 * kModernChunkSize, false, true, true},
        {"cut at a chunk boundary", Cut(b, data1 + kSealedChunkSize), 4, kModernChunkSize, false, false, true},
        {"cut before the end record", Cut(b, base.end), 4, {}, true, true, true},
        {"one byte short", Cut(b, b.size() - 1), 4, {}, true, true, true},
        {"a trailing byte", Splice(b, 0, 0, {0}, b.size()), 4, {}, true, true, true},
        {"two entries swapped", Splice(b, r2, r3, Slice(b, r2, r3), r2 + (base.end - r3)), 4, {}, true, false, true},
        {"an entry dropped", Splice(b, r2, r3, {}, r2), 4, {}, true, false, true},
        {"the end record changed", Flip(b, base.end + 5), 4, {}, true, true, true},
        {"a metadata length", Flip(b, base.records[1] + 19), 4, {}, false, false, true},
        {"a header asking for 8 GiB", hostileArchive, 4, {}, false, false, true},
        {"the salt (another passkey's archive, to the dialog)", Flip(b, 20), 0, {}, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder.Path("Dir"));
        fs::create_directories(folder.Path("Dir"));
        folder.Write("Dir/a", old);
        folder.Write("x.pvb", c.bytes);
        ui.fake.shown.clear();
        ui.deleteSources = true;
        EXPECT_EQ(Run("x.pvb"), c.status);
        EXPECT_EQ(folder.Read("Dir/a"), c.aRestored ? a : old);
        EXPECT_EQ(folder.Exists("Dir/a.incomplete"), c.aIncomplete.has_value());
        if (c.aIncomplete) EXPECT_EQ(folder.Read("Dir/a.incomplete"), Bytes(a.begin(), a.begin() + *c.aIncomplete));
        EXPECT_EQ(folder.Exists("Dir/b"), c.bRestored);
        if (c.bRestored) EXPECT_EQ(folder.Read("Dir/b"), test::Span("0123456789"));
        EXPECT_EQ(folder.Exists("x.pvb"), c.archiveKept);
        if (c.status != 0) EXPECT_FALSE(ui.fake.shown.empty());
    }
}

TEST_F(ModernDecryptTest, FoldersTimesAndModesComeBackAsStored) {
    const Base base = MakeBase();
    folder.Write("x.pvb", base.bytes);
    ASSERT_EQ(Run("x.pvb"), 0) << ::testing::PrintToString(ui.fake.Texts());
    const auto dir = platform::StatusOf(folder.Path("Dir"));
    const auto a = platform::StatusOf(folder.Path("Dir/a"));
    ASSERT_TRUE(dir && a);
    // Set after the last entry, so the files made in it do not change it.
    EXPECT_EQ(platform::UnixTimeOf(dir->modified), (platform::UnixTime{1000000000, kPosix ? 5u : 0u}));
    EXPECT_EQ(platform::UnixTimeOf(a->modified), (platform::UnixTime{1500000000, kPosix ? 123456789u : 123456700u}));
    if (kPosix) EXPECT_EQ(a->modeBits, std::optional<std::uint32_t>(0751));  // no set-user-ID
    EXPECT_EQ(folder.Read("Dir/e"), Bytes{});
}

TEST_F(ModernDecryptTest, AFolderSwappedForALinkBetweenItsEntriesIsNotWrittenThrough) {
    if (!kPosix) GTEST_SKIP() << "links are made here with POSIX calls";
    const Base base = MakeBase();
    folder.Write("x.pvb", base.bytes);
    fs::create_directory(folder.Path("Elsewhere"));
    // Once "Dir\\a" is restored, "Dir" is moved away and a link to another
    // folder takes its name before the next entry into it.
    view.onPump = [&] {
        const fs::path dir = folder.Path("Dir");
        if (fs::is_symlink(dir) || !fs::exists(dir / "a")) return;
        fs::rename(dir, folder.Path("Moved"));
        fs::create_directory_symlink(folder.Path("Elsewhere"), dir);
    };
    EXPECT_EQ(Run("x.pvb"), kExitIncomplete);
    ASSERT_TRUE(fs::is_symlink(folder.Path("Dir")));
    EXPECT_TRUE(fs::is_empty(folder.Path("Elsewhere")));
}

TEST_F(ModernDecryptTest, ChosenEntriesAndEntriesThisVersionCannotUnderstand) {
    // Entries written with a known file key, one of them with an item type
    // from 0x80 up and one with an unknown type below it.
    archive::ModernWriterSeeds seeds;
    std::array<std::uint8_t, archive::kFileKeySize> key{};
    key.fill(0x42);
    seeds.fileKey = key;
    Bytes bytes = test::WriteModernTestArchive({}, kPasskey, &seeds);
    bytes.resize(archive::kModernHeaderSize);  // the header only
    // Kind file, the name, size 1, and an empty item of type `extra`.
    const auto file = [](const std::string& name, std::uint8_t extra) {
        Bytes items = {1, 1, 0, 0, 2, static_cast<std::uint8_t>(name.size()), 0};
        for (const char c : name) items.push_back(static_cast<std::uint8_t>(c));
        for (const std::uint8_t byte : {3, 8, 0, 1, 0, 0, 0, 0, 0, 0, 0}) items.push_back(byte);
        for (const std::uint8_t byte : {extra, std::uint8_t{0}, std::uint8_t{0}}) items.push_back(byte);
        return items;
    };
    const auto add = [&](const Bytes& record) { bytes.insert(bytes.end(), record.begin(), record.end()); };
    // Each file of one byte: one sealed chunk after its record.
    SequentialRunner runner;
    const auto chunk = [&](std::uint64_t index, std::uint8_t value) {
        archive::EntrySaltV8 salt{};
        salt.fill(static_cast<std::uint8_t>(0x50 + index));
        const auto keys = archive::DeriveEntryKeys(key, index, salt);
        Bytes sealed(1 + archive::kModernTagSize);
        const std::array<std::uint8_t, 1> plain{value};
        archive::SealBatch(archive::KeyOf(keys.data), archive::ChunkLayout(1), 0, plain, sealed, runner);
        return sealed;
    };
    add(test::SealedEntryRecord(key, 0, file("known", 0x7f)));
    add(chunk(0, 'k'));
    add(test::SealedEntryRecord(key, 1, file("critical", 0x80)));
    add(chunk(1, 'c'));
    add(test::SealedEntryRecord(key, 2, file("other", 0x7e)));
    add(chunk(2, 'o'));
    add(test::SealedEndRecord(key, 3, 3));
    folder.Write("y.pvb", bytes);

    ui.choice = {"other"};
    ui.deleteSources = true;
    EXPECT_EQ(Run("y.pvb"), 4);
    // "critical" is not offered and is named when it is met; "known" was
    // left out by the choice; the question before the wipe was answered
    // yes, but an entry that cannot be understood keeps the archive.
    EXPECT_EQ(ui.offered, (std::vector<std::string>{"known", "other"}));
    EXPECT_FALSE(folder.Exists("known"));
    EXPECT_FALSE(folder.Exists("critical"));
    EXPECT_EQ(folder.Read("other"), test::Span("o"));
    EXPECT_TRUE(folder.Exists("y.pvb"));
    const auto texts = ui.fake.Texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const std::string& t) { return t.find("(0x80)") != std::string::npos; }));
}

// A passkey typed with characters above 0x7F is held in two forms: the code
// page's (what classic archives were written under) and the UTF-8 typed
// (what version 8 takes, whichever archive comes first). One job opens both
// kinds; the forms swapped open neither.
TEST_F(ModernDecryptTest, EachKindOfArchiveTakesItsOwnFormOfThePasskey) {
    const std::string utf8 = "Gr\xc3\xbc\xc3\x9f" "e";
    const std::string western = "Gr\xfc\xdf" "e";
    test::ArchiveOptions classic;
    classic.passkey = western;
    folder.Write("c.pvb", test::WriteTestArchive({{"c.txt", test::Span("classic")}}, classic));
    folder.Write("m.pvb", test::WriteModernTestArchive({{test::FileMetadata("m.txt", 6), test::Span("modern")}}, utf8));
    ui.passkey = western;
    ui.asGiven = utf8;
    for (const auto& order : {std::vector<std::string>{"m.pvb", "c.pvb"}, std::vector<std::string>{"c.pvb", "m.pvb"}}) {
        fs::remove(folder.Path("c.txt"));
        fs::remove(folder.Path("m.txt"));
        EXPECT_EQ(Run(order), 0) << order[0] << ::testing::PrintToString(ui.fake.Texts());
        EXPECT_EQ(folder.Read("c.txt"), test::Span("classic")) << order[0];
        EXPECT_EQ(folder.Read("m.txt"), test::Span("modern")) << order[0];
    }
    ui.passkey = utf8;
    ui.asGiven = western;
    fs::remove(folder.Path("m.txt"));
    Run("m.pvb");
    EXPECT_FALSE(folder.Exists("m.txt"));
}

}  // namespace
}  // namespace pelorin::decrypt
