// The reader facing bad or unusual input: header warnings, damaged archives,
// names that would leave the archive's folder, passkeys too short.
#include <gtest/gtest.h>

#include "TestHex.h"
#include "app_common/JobExit.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/EntryNames.h"
#include "archive/HeaderCheck.h"
#include "archive/ReaderMessages.h"
#include "platform/Paths.h"

namespace pelorin::archive {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<OpenedArchive> Check(const Bytes& bytes, HeaderCheckForm form, test::FakeUi& ui, ReaderState& state) {
    MemorySource source(bytes);
    return CheckArchiveHeader(source, "C:\\dir\\old.pvb", form, ui, state);
}

Bytes HeaderOnly(std::uint8_t version, std::uint8_t algorithm, std::uint8_t encrypted) {
    Bytes h(156, 0);
    h[0] = version;
    h[1] = algorithm;
    h[2] = encrypted;
    return h;
}

TEST(HeaderCheckTest, NewerVersionAndUnclearHeadersWarnInOrder) {
    test::FakeUi ui;
    ReaderState state;
    ui.answers = {true, true};
    ASSERT_TRUE(Check(HeaderOnly(9, 2, 3), HeaderCheckForm::Scanning, ui, state));
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].text,
              "A fatal error occurred:\n\"C:\\dir\\old.pvb\" was created with a newer version of Pelorin.\nThe file "
              "may decrypt incorrectly.\n\nDo you want to continue anyway?");
    EXPECT_EQ(ui.shown[1].text,
              "A fatal error occurred:\nIt cannot be determined if \"C:\\dir\\old.pvb\" used encrypted headres.\nThe "
              "file may decrypt incorrectly.\n\nDo you want to continue anyway?");
    EXPECT_EQ(ui.shown[0].caption, std::optional<std::string>("Error"));
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(state.legacy);
}

TEST(HeaderCheckTest, DecryptingFormSpellsHeadersAndUnknownAlgorithmWarns) {
    test::FakeUi ui;
    ReaderState state;
    ASSERT_TRUE(Check(HeaderOnly(7, 8, 2), HeaderCheckForm::Decrypting, ui, state));
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_NE(ui.shown[0].text.find("The algorithm used to encrypt \"C:\\dir\\old.pvb\" is unknown."), std::string::npos);
    EXPECT_NE(ui.shown[1].text.find("\"C:\\dir\\old.pvb\" used encrypted headers."), std::string::npos);
}

TEST(HeaderCheckTest, NoEndsTheJobWithStatusTwo) {
    test::FakeUi ui;
    ReaderState state;
    ui.answers = {true, false};
    try {
        Check(HeaderOnly(9, 2, 3), HeaderCheckForm::Probing, ui, state);
        FAIL() << "no exit";
    } catch (const JobExit& exit) {
        EXPECT_EQ(exit.status(), 2);
    }
}

TEST(HeaderCheckTest, Rc4NoticeOnlyWhenProbingAnOldRc4Archive) {
    for (auto form : {HeaderCheckForm::Probing, HeaderCheckForm::Scanning}) {
        test::FakeUi ui;
        ReaderState state;
        ASSERT_TRUE(Check(HeaderOnly(6, 5, 1), form, ui, state));
        EXPECT_TRUE(state.legacy);
        EXPECT_EQ(ui.shown.size(), form == HeaderCheckForm::Probing ? 1u : 0u);
        if (!ui.shown.empty()) {
            EXPECT_EQ(ui.shown[0].text.rfind("The RC4 encryption used to encrypt this file has a serious", 0), 0u);
            EXPECT_FALSE(ui.shown[0].question);
        }
    }
    test::FakeUi ui;
    ReaderState state;
    state.legacy = true;
    ASSERT_TRUE(Check(HeaderOnly(7, 5, 1), HeaderCheckForm::Probing, ui, state));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_FALSE(state.legacy);
}

TEST(HeaderCheckTest, OldVersionsHaveNoSaltAndShortFilesAreDamaged) {
    test::FakeUi ui;
    ReaderState state;
    Bytes v3(128, 0);
    v3[0] = 3;
    const auto opened = Check(v3, HeaderCheckForm::Scanning, ui, state);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->hasCheck);

    for (std::size_t length : {0u, 1u, 127u, 128u, 155u}) {
        test::FakeUi damagedUi;
        ReaderState job;
        Bytes bytes(length, 0);
        if (length > 0) bytes[0] = 7;
        EXPECT_FALSE(Check(bytes, HeaderCheckForm::Scanning, damagedUi, job)) << length;
        EXPECT_FALSE(Check(bytes, HeaderCheckForm::Decrypting, damagedUi, job)) << length;
        ASSERT_EQ(damagedUi.shown.size(), 1u);  // once per job, however many passes open it
        EXPECT_EQ(damagedUi.shown[0].text,
                  "The archive \"C:\\dir\\old.pvb\" is damaged: it is shorter than its header.\nNothing more is "
                  "read from it.");
    }
}

TEST(DamagedArchiveTest, EmptyArchiveHasNoEntries) {
    test::FakeUi ui;
    const auto back = test::ReadTestArchive(test::WriteTestArchive({}, {}), "passkey-0123456789", ui);
    EXPECT_TRUE(back.opened);
    EXPECT_TRUE(back.entries.empty());
    EXPECT_TRUE(ui.shown.empty());
}

TEST(DamagedArchiveTest, NegativeOrOverlongNameLengthIsDamage) {
    test::ArchiveOptions options;
    options.encryptHeaders = false;
    auto bytes = test::WriteTestArchive({{"name", test::Span("data")}}, options);
    for (std::uint32_t length : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 1000u, 32768u}) {
        auto damaged = bytes;
        for (int i = 0; i < 4; ++i) damaged[156 + i] = static_cast<std::uint8_t>(length >> (8 * i));
        MemorySource source(damaged);
        test::FakeUi ui;
        ReaderState state;
        const auto opened = CheckArchiveHeader(source, "x.pvb", HeaderCheckForm::Scanning, ui, state);
        ASSERT_TRUE(opened);
        const auto name = ReadEntryName(source, *opened, test::Span(options.passkey), state);
        EXPECT_FALSE(name.name.has_value()) << length;
        EXPECT_EQ(name.damage, Damage::ImpossibleNameLength);
    }
}

TEST(ReaderProgressTest, BlocksOfATenthWithOneStepEach) {
    for (auto [size, steps] : {std::pair<std::size_t, int>{20000, 10}, {12'000'000, 12}, {5, 0}, {16, 1}}) {
        test::ArchiveOptions options;
        const auto bytes = test::WriteTestArchive({{"e", test::TestBytes(size, 1)}}, options);
        MemorySource source(bytes);
        test::FakeUi ui;
        test::FakeProgressView view;
        ProgressDialog progress(view, ui);
        progress.SetRange(0, kProgressFull);
        ReaderState state;
        const auto opened = CheckArchiveHeader(source, "x.pvb", HeaderCheckForm::Decrypting, ui, state);
        const auto passkey = test::Span(options.passkey);
        const auto name = ReadEntryName(source, *opened, passkey, state);
        MemorySink output;
        ArchiveReader reader(source, output, passkey, true, EntryFraming::Archive,
                             PasskeyHashing::On);
        view.positions.clear();
        EXPECT_EQ(reader.Run(1, progress, ui, state), ReadOutcome::Complete);
        // SetPos(0), one position per StepIt, SetPos(32766).
        EXPECT_EQ(static_cast<int>(view.positions.size()) - 2, steps) << size;
        EXPECT_EQ(output.bytes().size(), size);
    }
}

TEST(DamagedArchiveTest, TruncatedBodyKeepsWhatWasReadAndStops) {
    test::ArchiveOptions options;
    const auto data = test::TestBytes(30000, 5);
    const auto bytes = test::WriteTestArchive({{"big", data}, {"next", test::Span("x")}}, options);
    // Cut inside the first entry's data: 156 + 9 + 9 + 9 + 8 header bytes, then 4321 data bytes.
    const Bytes cut(bytes.begin(), bytes.begin() + 191 + 4321);
    test::FakeUi ui;
    const auto back = test::ReadTestArchive(cut, options.passkey, ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.outcomes[0], ReadOutcome::Truncated);
    // Only whole groups that were read come out, and they are right.
    ASSERT_EQ(back.entries[0].data.size(), 4320u);
    EXPECT_TRUE(std::equal(back.entries[0].data.begin(), back.entries[0].data.end(), data.begin()));
}

TEST(DamagedArchiveTest, EveryCutOfASmallArchiveIsHandled) {
    test::ArchiveOptions options;
    const auto bytes = test::WriteTestArchive({{"a", test::Span("abcdefghijk")}, {"b", test::Span("xy")}}, options);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        test::FakeUi ui;
        const auto back = test::ReadTestArchive(Bytes(bytes.begin(), bytes.begin() + length), options.passkey, ui);
        const bool complete = back.entries.size() == 2 && back.outcomes[1] == ReadOutcome::Complete;
        EXPECT_FALSE(complete) << length;
    }
}

TEST(DamagedArchiveTest, UnknownAlgorithmAcceptedSkipsEveryEntryAndStaysInStep) {
    test::ArchiveOptions options;
    auto bytes = test::WriteTestArchive({{"one", test::TestBytes(50, 1)}, {"two", test::TestBytes(9, 2)}}, options);
    bytes[1] = 9;
    test::FakeUi ui;
    const auto back = test::ReadTestArchive(bytes, options.passkey, ui);
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_EQ(back.entries[1].name, "two");
    EXPECT_EQ(back.outcomes[0], ReadOutcome::UnknownAlgorithm);
    EXPECT_TRUE(back.entries[0].data.empty());
    const auto texts = ui.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Unknown file type.\nThe file may not have been decrypted correctly."),
              2);
}

TEST(DamagedArchiveTest, UnhashedArchiveWithTooShortPasskeyIsRefused) {
    test::ArchiveOptions options;
    options.algorithm = 2;  // DES reads 8 key bytes
    options.encryptHeaders = false;
    options.hashPasskey = false;
    options.passkey = "longenough";
    const auto bytes = test::WriteTestArchive({{"f", test::TestBytes(20, 1)}}, options);
    test::FakeUi ui;
    const auto back = test::ReadTestArchive(bytes, "short", ui);
    ASSERT_EQ(back.outcomes.size(), 1u);
    EXPECT_EQ(back.outcomes[0], ReadOutcome::KeyTooShort);
    EXPECT_TRUE(back.entries[0].data.empty());
}

TEST(EntryNameTest, NamesThatWouldLeaveTheFolderAreRefused) {
    for (const char* good : {"a.txt", "Work\\Sub\\b.doc", "dir\\.hidden", "x..y", "a\\.\\b"}) {
        EXPECT_TRUE(IsSafeEntryName(good)) << good;
    }
    for (const char* bad : {"", "C:\\Windows\\x", "c:x", "\\root", "/etc/passwd", "..\\up", "a\\..\\..\\b", "a\\..",
                            "dir\\", "a\\...\\b", "stream:name", ".", "sub\\."}) {
        EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
    }
    EXPECT_FALSE(IsSafeEntryName(std::string("a\0b", 3)));
#if !defined(_WIN32)
    EXPECT_FALSE(IsSafeEntryName("a/b"));
#endif
}

TEST(EntryNameTest, NamesWindowsTakesForDevicesAreKnown) {
    for (const char* device : {"NUL", "nul", "CON.txt", "Lpt9 .log", "com1", "aux.tar.gz", "CONOUT$", "COM\xC2\xB9"}) {
        EXPECT_TRUE(IsWindowsDeviceName(device)) << device;
    }
    for (const char* file : {"NULL", "nul_", "xcon", "COM10", "LPT", "com.txt", "a.nul", ".con", "COM\xC2\xB4"}) {
        EXPECT_FALSE(IsWindowsDeviceName(file)) << file;
    }
    for (const char* forbidden : {"a*b", "q?", "l<t", "g>t", "p|p", "d\"q", "tab\tx"}) {
        EXPECT_TRUE(HoldsCharacterWindowsForbids(forbidden)) << forbidden;
    }
    EXPECT_FALSE(HoldsCharacterWindowsForbids("caf\xC3\xA9 (1) [x] #%&'+,;=@{}~.txt"));
    // Refused where they cannot be files, kept where they can.
    for (const char* name : {"tree\\sub\\CON.txt", "tree\\a*b"}) {
        EXPECT_EQ(IsSafeEntryName(name), platform::kHostSeparator != '\\') << name;
    }
}

TEST(EntryNameTest, StoredBackslashesBecomeHostSeparators) {
#if defined(_WIN32)
    EXPECT_EQ(HostRelativePath("Work\\Sub\\b.doc"), "Work\\Sub\\b.doc");
#else
    EXPECT_EQ(HostRelativePath("Work\\Sub\\b.doc"), "Work/Sub/b.doc");
#endif
}

}  // namespace
}  // namespace pelorin::archive
