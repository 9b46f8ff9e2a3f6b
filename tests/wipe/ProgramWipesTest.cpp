#include <gtest/gtest.h>

#include "platform/File.h"

#include <filesystem>

#include "platform/Paths.h"
#include "platform/Volume.h"
#include "support/FakeUi.h"
#include "wipe/ProgramWipes.h"
#include "wipe/WipeTestSupport.h"

namespace pelorin::wipe {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

struct ProgramWipeFixture : ::testing::Test {
    test::TempFolder folder;
    test::FakeUi ui;
    test::FakeProgressView view;
    ProgressDialog progress{view, ui};
    std::uint64_t cluster = platform::QueryVolume(test::Qualified(folder.path()))->clusterSize;

    std::string Make(const std::string& name, const Bytes& content) {
        folder.Write(name, content);
        return test::Qualified(folder.path() / name);
    }
};

TEST_F(ProgramWipeFixture, SourceWipeShowsOneStatusPerPassAndDeletes) {
    const std::string path = Make("source.doc", Bytes(5000, 1));
    EXPECT_TRUE(WipeSourceFile(path, 4, progress));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(view.statuses, (std::vector<std::string>{"Deleting file... Pass 1", "Deleting file... Pass 2",
                                                       "Deleting file... Pass 3", "Deleting file... Pass 4"}));
    EXPECT_FALSE(WipeSourceFile("relative.doc", 3, progress));
    EXPECT_FALSE(WipeSourceFile(test::Qualified(folder.path() / "missing.doc"), 3, progress));
    EXPECT_TRUE(ui.shown.empty());  // its failures are silent
}

TEST_F(ProgramWipeFixture, InputWipeBlockSizes) {
    EXPECT_EQ(InputWipeBlockSize(0), 8u);
    EXPECT_EQ(InputWipeBlockSize(7), 8u);
    EXPECT_EQ(InputWipeBlockSize(25), 24u);  // one block and a 1-byte remainder
    EXPECT_EQ(InputWipeBlockSize(9999), 9992u);
    EXPECT_EQ(InputWipeBlockSize(20000), 2000u);
    EXPECT_EQ(InputWipeBlockSize(2'000'000), 100000u);  // 20 blocks, no remainder
}

// The decryptor wipes an archive through the handle that read it (opened
// for reading and writing), with the file as it was read.
struct InputWipeFixture : ProgramWipeFixture {
    platform::File file;
    platform::FileStatus asRead;
    platform::FileError openError = platform::FileError::None;
    bool Open(const std::string& path) {
        platform::OpenOptions options;
        options.read = options.write = options.allowRename = true;
        options.lock = platform::FileLock::Shared;
        file = platform::File::Open(path, options, &openError);
        if (const auto status = file.Status()) asRead = *status;
        return file.IsOpen();
    }
    bool Wipe(const std::string& path, int passes) {
        return Open(path) && WipeInputFile(file, path, asRead, passes, progress, ui);
    }
};

TEST_F(InputWipeFixture, NeverReplacesAFileNamedLikeItsTemporaryName) {
    const std::string path = Make("archive.pvb", Bytes(25, 2));
    Make("pelodel.tmp", Bytes(3, 3));  // the user's own file, or one restored just now
    EXPECT_TRUE(Wipe(path, 2));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(folder.Read("pelodel.tmp"), Bytes(3, 3));
    EXPECT_EQ(view.statuses, (std::vector<std::string>{"Deleting file... Pass 1", "Deleting file... Pass 2"}));
    EXPECT_TRUE(ui.shown.empty());
    // With the name free, the file is wiped under it.
    const std::string second = Make("second.pvb", Bytes(25, 2));
    fs::remove(folder.path() / "pelodel.tmp");
    EXPECT_TRUE(Wipe(second, 1));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_FALSE(fs::exists(folder.path() / "pelodel.tmp"));
}

TEST_F(InputWipeFixture, AFileWithASecondNameIsReportedAndChangesNothing) {
    const std::string path = Make("archive.pvb", Bytes(25, 2));
    fs::create_hard_link(path, folder.path() / "copy.pvb");
    EXPECT_FALSE(Wipe(path, 2));
    EXPECT_EQ(folder.Read("archive.pvb"), Bytes(25, 2));
    EXPECT_EQ(folder.Read("copy.pvb"), Bytes(25, 2));
    EXPECT_FALSE(fs::exists(folder.path() / "pelodel.tmp"));  // not even renamed
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{NotWipedText(path, WipeRefusal::OtherNames)});
}

// Another job still reading the archive holds it: the wipe leaves it, under
// its own name. On Windows that job's handle shares no writing, so the
// archive cannot even be opened for it (the decryptor then keeps it and
// says so); on Linux the wipe's lock is refused.
TEST_F(InputWipeFixture, AnArchiveAnotherJobHoldsIsReportedAndChangesNothing) {
    const std::string path = Make("archive.pvb", Bytes(25, 2));
    platform::OpenOptions reading;
    reading.read = true;
    reading.lock = platform::FileLock::Shared;
    platform::File reader = platform::File::Open(path, reading);
    ASSERT_TRUE(reader.IsOpen());
    if (Open(path)) {
        EXPECT_FALSE(WipeInputFile(file, path, asRead, 2, progress, ui));
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{NotWipedInUseText(path)});
    } else {
        EXPECT_EQ(openError, platform::FileError::InUse);
    }
    EXPECT_EQ(folder.Read("archive.pvb"), Bytes(25, 2));
    EXPECT_FALSE(fs::exists(folder.path() / "pelodel.tmp"));
}

// Only the file that was read, unchanged, is wiped: one made longer meanwhile
// is kept; a file renamed onto its name is left alone, and the archive it
// replaced, which no name leads to any more, is overwritten through the
// handle; an archive moved to another name is not touched at all.
TEST_F(InputWipeFixture, OnlyTheFileThatWasReadUnchangedIsWiped) {
    // On Windows the reading handle shares no writing: nothing can change it.
    if (platform::kHostSeparator == '\\') GTEST_SKIP() << "appending is refused while the archive is read";
    const std::string grown = Make("grown.pvb", Bytes(25, 2));
    platform::OpenOptions options;
    options.read = options.write = true;
    file = platform::File::Open(grown, options);
    asRead = *file.Status();
    folder.Write("grown.pvb", Bytes(40, 2));  // another program appends meanwhile
    EXPECT_FALSE(WipeInputFile(file, grown, asRead, 1, progress, ui));
    EXPECT_EQ(folder.Read("grown.pvb"), Bytes(40, 2));

    const std::string replaced = Make("replaced.pvb", Bytes(25, 2));
    file = platform::File::Open(replaced, options);
    asRead = *file.Status();
    Make("other.txt", Bytes(9, 7));
    fs::rename(folder.path() / "other.txt", replaced);
    EXPECT_FALSE(WipeInputFile(file, replaced, asRead, 1, progress, ui));
    EXPECT_EQ(folder.Read("replaced.pvb"), Bytes(9, 7));
    file.Seek(0, platform::SeekFrom::Start);
    Bytes orphan(25);
    EXPECT_EQ(file.Read(orphan.data(), orphan.size()), 25);
    EXPECT_NE(orphan, Bytes(25, 2));  // the archive itself was overwritten

    const std::string moved = Make("moved.pvb", Bytes(25, 2));
    file = platform::File::Open(moved, options);
    asRead = *file.Status();
    fs::rename(moved, folder.path() / "elsewhere.pvb");
    EXPECT_FALSE(WipeInputFile(file, moved, asRead, 1, progress, ui));
    EXPECT_EQ(folder.Read("elsewhere.pvb"), Bytes(25, 2));
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{ChangedWhileReadText(grown), NoLongerNamedText(replaced, true),
                                                     NoLongerNamedText(moved, false)}));
}

TEST_F(ProgramWipeFixture, DroppedFileWipeDrivesTheBarOverThreePasses) {
    const std::string path = Make("dropped.txt", Bytes(10, 4));
    EXPECT_TRUE(WipeDroppedFile(path, progress, ui));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(view.statuses.front(), "Deleting dropped.txt...");
    // One cluster: the bar is set at the first (only) write of each pass.
    EXPECT_EQ(view.positions, (std::vector<int>{0, 10666, 21332}));

    const std::string two = Make("two.bin", Bytes(cluster + 1, 5));
    view.positions.clear();
    EXPECT_TRUE(WipeDroppedFile(two, progress, ui));
    EXPECT_EQ(view.positions, (std::vector<int>{0, 5333, 10666, 15999, 21332, 26665}));
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ProgramWipeFixture, MessageTexts) {
    EXPECT_EQ(InputDeleteFailedText("C:\\a\\x.pvb"), "An error occurred while deleting the file: \"C:\\a\\x.pvb\"");
    EXPECT_EQ(DroppedDeleteFailedText("C:\\a\\x.txt"),
              "The file: C:\\a\\x.txt has been overwritten, but could not be deleted.");
    EXPECT_EQ(std::string(kDriveInformationText), "Could not retrieve drive information. Aborting file.");
}

}  // namespace
}  // namespace pelorin::wipe
