#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "TestHex.h"
#include "app_common/JobExit.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/EntryNames.h"
#include "archive/EntryOutput.h"
#include "archive/ImportPass.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"

namespace pelorin::archive {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Restores every entry of an archive file with RestoreEntry.
std::vector<RestoreOutcome> RestoreAll(const std::string& archivePath, const std::string& passkey, test::FakeUi& ui) {
    RestoreJob job;
    platform::OpenOptions read;
    read.read = true;
    platform::File file = platform::File::Open(archivePath, read);
    EXPECT_TRUE(file.IsOpen());
    FileSource source(file, kArchiveReadAhead);
    ReaderState state;
    test::FakeProgressView view;
    ProgressDialog progress(view, ui);
    const auto opened = CheckArchiveHeader(source, archivePath, HeaderCheckForm::Decrypting, ui, state);
    std::vector<RestoreOutcome> outcomes;
    while (opened && !source.AtEnd()) {
        const auto name = ReadEntryName(source, *opened, test::Span(passkey), state);
        if (!name.name) break;
        outcomes.push_back(RestoreEntry(source, archivePath, *name.name, *opened, test::Span(passkey), state,
                                        progress, ui, job));
    }
    return outcomes;
}

// Reads of the sizes the reader makes (header pieces, entry data smaller and
// larger than the read-ahead, past the end) give the same bytes, remaining
// counts and end with read-ahead as without.
TEST(FileSourceTest, ReadAheadChangesNothingTheReaderSees) {
    test::TempFolder folder;
    const std::string path = folder.Path("a.pvb");
    const Bytes content = test::TestBytes(3 * kArchiveReadAhead + 123, 5);
    {
        platform::OpenOptions write;
        write.write = true;
        write.create = true;
        platform::File out = platform::File::Open(path, write);
        ASSERT_EQ(out.Write(content.data(), content.size()), static_cast<std::int64_t>(content.size()));
    }
    platform::OpenOptions read;
    read.read = true;
    platform::File plainFile = platform::File::Open(path, read);
    platform::File aheadFile = platform::File::Open(path, read);
    FileSource plain(plainFile);
    FileSource ahead(aheadFile, kArchiveReadAhead);
    const std::size_t sizes[] = {9, 24, 1, kArchiveReadAhead, kArchiveReadAhead + 70000, 3, 8, 1 << 20, 16};
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        Bytes a(size), b(size);
        ASSERT_EQ(plain.Read(a), ahead.Read(b));
        EXPECT_EQ(a, b);
        EXPECT_EQ(plain.Remaining(), ahead.Remaining());
        EXPECT_EQ(plain.AtEnd(), ahead.AtEnd());
    }
    EXPECT_TRUE(ahead.AtEnd());
    EXPECT_EQ(ahead.Length(), content.size());
}

TEST(EntryOutputTest, CreatesFoldersAndReplacesExistingFiles) {
    test::TempFolder folder;
    test::ArchiveOptions options;
    folder.Write("x.pvb", test::WriteTestArchive({{"Sub\\Deeper\\File.txt", test::Span("new content")},
                                                  {"top.bin", test::TestBytes(10007, 3)}},
                                                 options));
    std::filesystem::create_directories(folder.path() / "Sub" / "Deeper");
    folder.Write("Sub/Deeper/File.txt", test::Span("old content that is longer"));
    test::FakeUi ui;
    const auto outcomes = RestoreAll(folder.Path("x.pvb"), options.passkey, ui);
    EXPECT_EQ(outcomes, (std::vector<RestoreOutcome>{RestoreOutcome::Restored, RestoreOutcome::Restored}));
    EXPECT_EQ(folder.Read("Sub/Deeper/File.txt"), test::Span("new content"));
    EXPECT_EQ(folder.Read("top.bin"), test::TestBytes(10007, 3));
}

TEST(EntryOutputTest, NamesLeavingTheFolderAreSkippedAndTheNextEntryIsRead) {
    test::TempFolder folder;
    std::filesystem::create_directories(folder.path() / "inner");
    test::ArchiveOptions options;
    folder.Write("inner/x.pvb", test::WriteTestArchive({{"..\\escaped.txt", test::Span("evil")},
                                                        {"C:\\abs.txt", test::Span("evil")},
                                                        {"fine.txt", test::Span("good")}},
                                                       options));
    test::FakeUi ui;
    const auto outcomes = RestoreAll(folder.Path("inner/x.pvb"), options.passkey, ui);
    EXPECT_EQ(outcomes, (std::vector<RestoreOutcome>{RestoreOutcome::Refused, RestoreOutcome::Refused,
                                                     RestoreOutcome::Restored}));
    EXPECT_FALSE(folder.Exists("escaped.txt"));
    EXPECT_EQ(folder.Read("inner/fine.txt"), test::Span("good"));
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].text, "The entry \"..\\escaped.txt\" in \"" + folder.Path("inner/x.pvb") +
                                    "\" would be written outside the archive's folder.\nIt is skipped.");
}

#if !defined(_WIN32)
TEST(EntryOutputTest, LinksInsideTheFolderAreNotFollowed) {
    test::TempFolder folder;
    test::TempFolder outside;
    std::filesystem::create_directory_symlink(outside.path(), folder.path() / "Sub");
    std::filesystem::create_symlink(outside.path() / "target.txt", folder.path() / "direct.txt");
    test::ArchiveOptions options;
    folder.Write("x.pvb", test::WriteTestArchive({{"Sub\\File.txt", test::Span("through a link")},
                                                  {"direct.txt", test::Span("onto a link")}},
                                                 options));
    test::FakeUi ui;
    const auto outcomes = RestoreAll(folder.Path("x.pvb"), options.passkey, ui);
    EXPECT_EQ(outcomes, (std::vector<RestoreOutcome>{RestoreOutcome::Refused, RestoreOutcome::Refused}));
    EXPECT_FALSE(outside.Exists("File.txt"));
    EXPECT_FALSE(outside.Exists("target.txt"));
}
#endif

TEST(EntryOutputTest, OutputThatCannotBeOpenedEndsTheJobWithItsReason) {
    test::TempFolder folder;
    test::ArchiveOptions options;
    folder.Write("x.pvb", test::WriteTestArchive({{"taken", test::Span("data")}}, options));
    std::filesystem::create_directory(folder.path() / "taken");  // a folder where the file should go
    test::FakeUi ui;
    try {
        RestoreAll(folder.Path("x.pvb"), options.passkey, ui);
        FAIL() << "no exit";
    } catch (const JobExit& exit) {
        EXPECT_EQ(exit.status(), 1);
    }
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back().text, folder.Path("taken") +
                                        "\n\nA fatal error occured: Given path is a directory or file is read-only\n"
                                        "Program will terminate.");
    EXPECT_EQ(ui.shown.back().caption, std::optional<std::string>("Error"));
}


// Entry names of 200 and 300 characters come back in full below the
// archive's folder, also where the whole path passes the old 260-character
// limit of Windows.
TEST(EntryOutputTest, LongNamesAreRestored) {
    test::TempFolder folder;
    test::ArchiveOptions options;
    // Folders of 48 characters, then the file's name up to the length.
    const auto longName = [](char letter, std::size_t length) {
        std::string name;
        while (length - name.size() > 60) name += std::string(48, letter) + "\\";
        return name + std::string(length - name.size(), letter);
    };
    const std::string two = longName('t', 200), three = longName('h', 300);
    ASSERT_EQ(two.size(), 200u);
    ASSERT_EQ(three.size(), 300u);
    folder.Write("x.pvb", test::WriteTestArchive({{two, test::Span("two")}, {three, test::Span("three")}}, options));
    test::FakeUi ui;
    EXPECT_EQ(RestoreAll(folder.Path("x.pvb"), options.passkey, ui),
              (std::vector<RestoreOutcome>{RestoreOutcome::Restored, RestoreOutcome::Restored}));
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front().text;
    for (const auto& [name, content] : {std::pair{two, "two"}, std::pair{three, "three"}}) {
        platform::OpenOptions read;
        read.read = true;
        platform::File file = platform::File::Open(folder.Prefix() + HostRelativePath(name), read);
        ASSERT_TRUE(file.IsOpen()) << name.size();
        char bytes[8] = {};
        EXPECT_EQ(file.Read(bytes, sizeof bytes), static_cast<std::int64_t>(std::strlen(content)));
        EXPECT_STREQ(bytes, content);
    }
}

#if !defined(_WIN32)
// Restored plaintext is never readable by others on the way: a file that was
// private stays private, and so do the bytes kept of an incomplete entry.
TEST(EntryOutputTest, RestoredFilesKeepTheTargetsPermissions) {
    test::TempFolder folder;
    test::ArchiveOptions options;
    const auto data = test::TestBytes(30000, 4);
    const auto full = test::WriteTestArchive({{"private.txt", data}}, options);
    folder.Write("x.pvb", full);
    folder.Write("cut.pvb", Bytes(full.begin(), full.begin() + 10000));
    folder.Write("private.txt", test::Span("mine"));
    std::filesystem::permissions(folder.path() / "private.txt", std::filesystem::perms::owner_read |
                                                                     std::filesystem::perms::owner_write);
    test::FakeUi ui;
    RestoreAll(folder.Path("cut.pvb"), options.passkey, ui);
    EXPECT_EQ(std::filesystem::status(folder.path() / "private.txt.incomplete").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    RestoreAll(folder.Path("x.pvb"), options.passkey, ui);
    EXPECT_EQ(folder.Read("private.txt"), data);
    EXPECT_EQ(std::filesystem::status(folder.path() / "private.txt").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}
#endif

TEST(EntryOutputTest, OpenErrorReasons) {
    EXPECT_EQ(OpenErrorReason(platform::FileError::Exists), "The filename already exists.");
    EXPECT_EQ(OpenErrorReason(platform::FileError::InvalidArgument), "Invalid oflag or shflag argument.");
    EXPECT_EQ(OpenErrorReason(platform::FileError::TooManyOpen), "No more file handles available.");
    EXPECT_EQ(OpenErrorReason(platform::FileError::NotFound), "File or path not found.");
    EXPECT_EQ(OpenErrorReason(platform::FileError::Other), "");
    // Where the programs name no reason, the system's own words stand.
    platform::OpenOptions read;
    read.read = true;
    EXPECT_FALSE(platform::File::Open(std::string(5000, 'n'), read).IsOpen());
    const std::string text = FatalOpenText(platform::FileError::Other);
    EXPECT_EQ(text, "A fatal error occured: " + platform::LastFailureText() + "\nProgram will terminate.");
    EXPECT_FALSE(platform::LastFailureText().empty());
}

TEST(EntryOutputTest, OnlySymbolicLinksJunctionsAndMountPointsAreLinks) {
    EXPECT_TRUE(platform::IsLinkReparseTag(0xA000000C));   // symbolic link
    EXPECT_TRUE(platform::IsLinkReparseTag(0xA0000003));   // junction, mount point
    EXPECT_FALSE(platform::IsLinkReparseTag(0x9000001A));  // a cloud placeholder
    EXPECT_FALSE(platform::IsLinkReparseTag(0x80000013));  // a deduplicated file
}

// Import input: padding, then bare groups enciphered under the passkey as typed.
struct ImportRun {
    ImportOutcome outcome;
    test::FakeUi ui;
};

void Import(ImportRun& run, const test::TempFolder& folder, const std::string& input, int algorithm,
            std::int64_t padding, const std::string& passkey) {
    RestoreJob job;
    platform::OpenOptions read;
    read.read = true;
    platform::File file = platform::File::Open(folder.Path(input), read);
    ASSERT_TRUE(file.IsOpen());
    FileSource source(file);
    test::FakeProgressView view;
    ProgressDialog progress(view, run.ui);
    run.outcome =
        ImportInput(source, folder.Path(input), algorithm, padding, test::Span(passkey), progress, run.ui, job);
}

Bytes Enciphered(int algorithm, const std::string& passkey, Bytes data) {
    MakeGroupCipher(algorithm, test::Span(passkey))->Encrypt(data);
    return data;
}

TEST(ImportPassTest, PaddingIsSkippedAndTheRestRestored) {
    test::TempFolder folder;
    const std::string passkey = "import key 16 by";
    const Bytes plain = test::TestBytes(16, 9);
    folder.Write("in.enc", Enciphered(1, passkey, plain));
    ImportRun first;
    Import(first, folder, "in.enc", 1, 0, passkey);
    EXPECT_EQ(first.outcome, ImportOutcome::Restored);
    EXPECT_EQ(folder.Read("default output.txt"), plain);

    Bytes padded = test::TestBytes(12, 1);
    const Bytes cipherText = Enciphered(5, passkey, plain);
    padded.insert(padded.end(), cipherText.begin(), cipherText.end());
    folder.Write("second.enc", padded);  // 28 bytes, padding 12
    ImportRun second;
    Import(second, folder, "second.enc", 5, 12, passkey);
    EXPECT_EQ(second.outcome, ImportOutcome::Restored);
    EXPECT_EQ(folder.Read("default output.txt"), plain);  // replaced by the second input
}

TEST(ImportPassTest, NothingAfterThePaddingMakesNoFile) {
    test::TempFolder folder;
    folder.Write("ten.enc", test::TestBytes(10, 2));
    ImportRun run;
    Import(run, folder, "ten.enc", 0, 10, "k");
    EXPECT_EQ(run.outcome, ImportOutcome::NothingAfterPadding);
    EXPECT_FALSE(folder.Exists("default output.txt"));
    EXPECT_EQ(run.ui.Texts(), std::vector<std::string>{"\"" + folder.Path("ten.enc") + kNothingAfterPaddingText});
    ImportRun beyond;  // a padding longer than the input
    Import(beyond, folder, "ten.enc", 0, 99, "k");
    EXPECT_EQ(beyond.outcome, ImportOutcome::NothingAfterPadding);
}

TEST(ImportPassTest, RaggedRemainderAndNegativePaddingAreRefused) {
    test::TempFolder folder;
    folder.Write("odd.enc", test::TestBytes(21, 2));
    ImportRun ragged;
    Import(ragged, folder, "odd.enc", 0, 0, "k");
    EXPECT_EQ(ragged.outcome, ImportOutcome::RaggedLength);
    EXPECT_FALSE(folder.Exists("default output.txt"));
    ASSERT_EQ(ragged.ui.shown.size(), 1u);
    EXPECT_EQ(ragged.ui.shown[0].text, ImportRaggedText(folder.Path("odd.enc"), 21));

    ImportRun negative;
    Import(negative, folder, "odd.enc", 0, -1, "k");
    EXPECT_EQ(negative.outcome, ImportOutcome::NegativePadding);
    EXPECT_FALSE(folder.Exists("default output.txt"));
}

TEST(ImportPassTest, PasskeyShorterThanTheCipherReadsIsRefused) {
    test::TempFolder folder;
    folder.Write("in.enc", test::TestBytes(16, 2));
    ImportRun run;
    Import(run, folder, "in.enc", 6, 0, "short");
    EXPECT_EQ(run.outcome, ImportOutcome::KeyTooShort);
    EXPECT_FALSE(folder.Exists("default output.txt"));
    ASSERT_EQ(run.ui.shown.size(), 1u);
    EXPECT_NE(run.ui.shown[0].text.find("Safer"), std::string::npos);
    EXPECT_NE(run.ui.shown[0].text.find("16"), std::string::npos);
    // The text names the minimum that is checked: NewDES reads 15 bytes.
    ImportRun newDes;
    Import(newDes, folder, "in.enc", 4, 0, std::string(14, 'k'));
    ASSERT_EQ(newDes.ui.shown.size(), 1u);
    EXPECT_NE(newDes.ui.shown[0].text.find("at least 15 characters"), std::string::npos) << newDes.ui.shown[0].text;
}

}  // namespace
}  // namespace pelorin::archive
