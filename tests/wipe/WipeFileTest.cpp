#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include "platform/Paths.h"
#include "platform/Volume.h"
#include "wipe/Overwrite.h"
#include "wipe/WipeTestSupport.h"

namespace pelorin {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct WipeFileFixture : ::testing::Test {
    test::TempFolder folder;
    std::uint64_t cluster = 0;

    void SetUp() override {
        test::ResetLibrary();
        const auto volume = platform::QueryVolume(test::Qualified(folder.path()));
        ASSERT_TRUE(volume);
        cluster = volume->clusterSize;
    }
    void TearDown() override { test::ResetLibrary(); }

    std::string Make(const std::string& name, const Bytes& content) {
        folder.Write(name, content);
        return test::Qualified(folder.path() / name);
    }
};

// What the progress callback saw, with the file's content at each report.
struct Observed {
    struct Report {
        long long count, total;
        bool hadName;
        Bytes content;
        std::int64_t size;
    };
    std::vector<Report> reports;
    std::string path;
    int stopAfterCalls = -1;  // continue callback: 0 on this call (from 1)
    bool readContent = true;
    int continueCalls = 0;
};
Observed* observed = nullptr;

int RecordProgress(long long count, long long total, const char* name, int) {
    Bytes content;
    if (observed->readContent) {
        std::ifstream in(observed->path, std::ios::binary);
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    observed->reports.push_back({count, total, name != nullptr, content, test::SizeOf(observed->path)});
    return 0;
}

int StopOnCall(int) { return ++observed->continueCalls == observed->stopAfterCalls ? 0 : 1; }

TEST_F(WipeFileFixture, PassesFollowZeroOnesRandomComplementThenZeroAgain) {
    Observed seen;
    observed = &seen;
    seen.path = Make("one.bin", Bytes(10, 0x42));
    SetProgressCallback(RecordProgress, 0);
    SetDiskPasses(5);
    ASSERT_EQ(WipeFile(seen.path.c_str()), SdkErrorNone);
    EXPECT_FALSE(std::filesystem::exists(seen.path));
    ASSERT_EQ(seen.reports.size(), 5u);  // one cluster per pass
    for (const auto& report : seen.reports) {
        ASSERT_EQ(report.content.size(), cluster);  // rounded up to a whole cluster
        EXPECT_EQ(report.size, static_cast<std::int64_t>(cluster));
        EXPECT_TRUE(report.hadName);
    }
    EXPECT_EQ(seen.reports[0].content, Bytes(cluster, 0x00));
    EXPECT_EQ(seen.reports[1].content, Bytes(cluster, 0xFF));
    Bytes complement = seen.reports[2].content;
    for (auto& b : complement) b = static_cast<std::uint8_t>(~b);
    EXPECT_NE(seen.reports[2].content, Bytes(cluster, 0x00));
    EXPECT_EQ(seen.reports[3].content, complement);
    EXPECT_EQ(seen.reports[4].content, Bytes(cluster, 0x00));
}

TEST_F(WipeFileFixture, TwoPassProgressOnOneClusterReportsTwice) {
    Observed seen;
    observed = &seen;
    seen.path = Make("two.bin", Bytes(1, 7));
    SetProgressCallback(RecordProgress, 0);
    SetDiskPasses(2);
    ASSERT_EQ(WipeFile(seen.path.c_str()), SdkErrorNone);
    ASSERT_EQ(seen.reports.size(), 2u);
    const auto c = static_cast<long long>(cluster);
    EXPECT_EQ(seen.reports[0].count, c);
    EXPECT_EQ(seen.reports[0].total, 2 * c);
    EXPECT_EQ(seen.reports[1].count, 2 * c);
    EXPECT_EQ(seen.reports[1].total, 2 * c);
}

TEST_F(WipeFileFixture, ProgressOnlyWhenTheTenThousandthsChange) {
    Observed seen;
    observed = &seen;
    seen.path = Make("many.bin", Bytes(cluster * 300, 1));
    seen.readContent = false;
    SetProgressCallback(RecordProgress, 0);
    SetDiskPasses(1);
    ASSERT_EQ(WipeFile(seen.path.c_str()), SdkErrorNone);
    // 300 clusters: every cluster changes the fraction (10000 / 300 > 1).
    EXPECT_EQ(seen.reports.size(), 300u);
    EXPECT_EQ(seen.reports.back().count, seen.reports.back().total);
}

TEST_F(WipeFileFixture, EmptyFileAndZeroPassesDeleteWithoutReports) {
    Observed seen;
    observed = &seen;
    SetProgressCallback(RecordProgress, 0);
    seen.path = Make("empty.bin", {});
    EXPECT_EQ(WipeFile(seen.path.c_str()), SdkErrorNone);
    EXPECT_FALSE(std::filesystem::exists(seen.path));
    seen.path = Make("nopass.bin", Bytes(100, 3));
    EXPECT_EQ(SetDiskPasses(0), 0);
    EXPECT_EQ(WipeFile(seen.path.c_str()), SdkErrorNone);
    EXPECT_EQ(GetDiskPasses(), 0);
    EXPECT_FALSE(std::filesystem::exists(seen.path));
    EXPECT_TRUE(seen.reports.empty());
}

TEST_F(WipeFileFixture, ContinueCallbackStopsBeforeOpeningOrAfterTheFirstCluster) {
    Observed seen;
    observed = &seen;
    const std::string path = Make("keep.bin", Bytes(50, 9));
    seen.stopAfterCalls = 1;
    SetContinueCallback(StopOnCall, 0);
    EXPECT_EQ(WipeFile(path.c_str()), SdkErrorAborted);
    EXPECT_EQ(test::SizeOf(path), 50);  // untouched
    seen.continueCalls = 0;
    seen.stopAfterCalls = 2;
    EXPECT_EQ(WipeFile(path.c_str()), SdkErrorAborted);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(WipeFileFixture, NamesThatAreNotFullyQualifiedOrCannotBeOpened) {
    EXPECT_EQ(WipeFile("relative.txt"), SdkErrorBadFileName);
    EXPECT_EQ(WipeFile(nullptr), SdkErrorBadFileName);
#if defined(_WIN32)
    EXPECT_EQ(WipeFile("C:relative.txt"), SdkErrorBadFileName);
    EXPECT_EQ(WipeFile("\\\\server\\share\\x.txt"), SdkErrorBadFileName);
    EXPECT_EQ(WipeFile("Q:\\no drive.txt"), SdkErrorBadDrive);
#endif
    EXPECT_EQ(WipeFile(test::Qualified(folder.path() / "missing.bin").c_str()), SdkErrorOpenFile);
    std::filesystem::create_directory(folder.path() / "adir");
    EXPECT_EQ(WipeFile(test::Qualified(folder.path() / "adir").c_str()), SdkErrorOpenFile);
}

// Names are UTF-8, of any characters; a name that is not UTF-8 is still
// taken, as the system's code page (Windows) or the bytes it is (Linux),
// and never decoded loosely: overlong dots climb nowhere.
TEST_F(WipeFileFixture, NamesAreUtf8AndOlderCallersNamesStillReachTheirFiles) {
    const std::string inFolder = test::Qualified(folder.path()) + platform::kHostSeparator;
    const std::string western = "caf\xc3\xa9 \xe2\x82\xac.txt";
#if defined(_WIN32)
    if (GetACP() != 1252) GTEST_SKIP() << "written for the Western code page 1252";
    const std::string westernGiven = "caf\xe9 \x80.txt";  // how a caller of the code page writes it
#else
    const std::string westernGiven = western;
#endif
    const Bytes content(10, 0x42);
    for (const std::string name : {western, std::string("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80.txt")}) {
        const auto path = std::filesystem::path(std::u8string(name.begin(), name.end()));
        std::ofstream(folder.path() / path, std::ios::binary).write("x", 1);
        EXPECT_EQ(WipeFile((inFolder + name).c_str()), SdkErrorNone) << name;
        EXPECT_FALSE(std::filesystem::exists(folder.path() / path)) << name;
    }
    const auto westernPath = std::filesystem::path(std::u8string(western.begin(), western.end()));
    std::ofstream(folder.path() / westernPath, std::ios::binary).write("x", 1);
    EXPECT_EQ(WipeFile((inFolder + westernGiven).c_str()), SdkErrorNone);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / westernPath));

    const std::string target = Make("target.txt", content);
    std::filesystem::create_directories(folder.path() / "x");
    const std::string climbing = inFolder + "x" + platform::kHostSeparator + "\xc0\xae\xc0\xae" +
                                 platform::kHostSeparator + "target.txt";
    EXPECT_NE(WipeFile(climbing.c_str()), SdkErrorNone);
    EXPECT_TRUE(std::filesystem::exists(target));
}

#if !defined(_WIN32)
TEST_F(WipeFileFixture, LinksAreNeverFollowed) {
    const std::string target = Make("target.bin", Bytes(64, 0x77));
    std::filesystem::create_symlink(target, folder.path() / "link.bin");
    const std::string link = test::Qualified(folder.path() / "link.bin");
    EXPECT_EQ(WipeFile(link.c_str()), SdkErrorOpenFile);
    EXPECT_EQ(WipeFileSlack(link.c_str()), SdkErrorOpenFile);
    EXPECT_EQ(folder.Read("target.bin"), Bytes(64, 0x77));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
}
#endif

#if !defined(_WIN32)
TEST_F(WipeFileFixture, NoFillFileNameMeansNothingIsOpenedOrTouched) {
    // A "root" that is a file: the volume answers, but no fill file can be
    // named inside it.
    const std::string notAFolder = Make("plain.bin", Bytes(5, 1));
    EXPECT_EQ(WipeFreeSpace((notAFolder + "/").c_str()), SdkErrorOpenFile);
    EXPECT_EQ(folder.Read("plain.bin"), Bytes(5, 1));
}
#endif

// With verify on, the last pass is read back: exactly its bytes are counted
// (a file's to the end of its last cluster, the slack's alone). What does
// not read back as written is kept at its length with code 14.
TEST_F(WipeFileFixture, VerifyReadsBackTheLastPassAndKeepsWhatDiffers) {
    EXPECT_EQ(SetVerify(1), 1);
    EXPECT_EQ(GetVerify(), 1);
    const std::uint64_t rounded = (5000 + cluster - 1) / cluster * cluster;
    struct Case {
        const char* name;
        int (*wipe)(const char*);
        bool corrupt;
        int code;
        long long verified;
        bool stays;
    };
    const Case cases[] = {
        {"file", WipeFile, false, SdkErrorNone, static_cast<long long>(rounded), false},
        {"file, read back changed", WipeFile, true, SdkErrorVerifyFailed, 0, true},
        {"slack", WipeFileSlack, false, SdkErrorNone, static_cast<long long>(rounded - 5000), true},
        {"slack, read back changed", WipeFileSlack, true, SdkErrorVerifyFailed, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ResetLibrary();
        SetVerify(1);
        const std::string path = Make("verified.bin", Bytes(5000, 'v'));
        const auto wipe = [&] {
            if (!c.corrupt) return c.wipe(path.c_str());
            test::CorruptedReadBack corrupted;
            return c.wipe(path.c_str());
        };
        EXPECT_EQ(wipe(), c.code);
        const PeloWipeTotals totals = test::Totals();
        EXPECT_EQ(totals.bytesVerified, c.verified);
        EXPECT_EQ(totals.verifyFailures, c.corrupt ? 1 : 0);
        EXPECT_EQ(totals.filesOverwritten, c.corrupt ? 0 : 1);
        EXPECT_EQ(test::SizeOf(path), c.stays ? 5000 : -1);
        std::filesystem::remove(path);
    }
    // Three passes over the file, and the last read back once.
    test::ResetLibrary();
    SetVerify(1);
    const std::string path = Make("three.bin", Bytes(5000, 't'));
    EXPECT_EQ(WipeFile(path.c_str()), SdkErrorNone);
    EXPECT_EQ(test::Totals().bytesOverwritten, 3 * static_cast<long long>(rounded));
    EXPECT_EQ(GetWipeTotals(nullptr), SdkErrorNullArgument);
    PeloWipeTotals tooSmall{};
    tooSmall.size = sizeof tooSmall - 1;
    EXPECT_EQ(GetWipeTotals(&tooSmall), SdkErrorNullArgument);
}

TEST_F(WipeFileFixture, SlackIsWrittenAndTheLengthRestored) {
    const std::string path = Make("slack.bin", Bytes{'x'});
    EXPECT_EQ(WipeFileSlack(path.c_str()), SdkErrorNone);
    EXPECT_EQ(folder.Read("slack.bin"), Bytes{'x'});

    const std::string exact = Make("exact.bin", Bytes(cluster, 'y'));
    const auto before = std::filesystem::last_write_time(exact);
    EXPECT_EQ(WipeFileSlack(exact.c_str()), SdkErrorNone);
    EXPECT_EQ(std::filesystem::last_write_time(exact), before);  // nothing written
    EXPECT_EQ(folder.Read("exact.bin"), Bytes(cluster, 'y'));
    EXPECT_EQ(WipeFileSlack("relative"), SdkErrorBadFileName);
}

// A file with a second name is never overwritten by a deleting wipe (the
// other name would keep random bytes); its slack may still be wiped, which
// changes nothing either name holds.
TEST_F(WipeFileFixture, SecondNamesAreRefusedBeforeAnythingIsWritten) {
    const std::string first = Make("first.bin", Bytes(10, 7));
    const std::string second = test::Qualified(folder.path() / "second.bin");
    std::filesystem::create_hard_link(first, second);
    EXPECT_EQ(WipeFile(first.c_str()), SdkErrorOpenFile);
    EXPECT_EQ(folder.Read("first.bin"), Bytes(10, 7));
    EXPECT_EQ(folder.Read("second.bin"), Bytes(10, 7));
    EXPECT_EQ(WipeFileSlack(first.c_str()), SdkErrorNone);
    EXPECT_EQ(folder.Read("second.bin"), Bytes(10, 7));
    std::filesystem::remove(second);
    EXPECT_EQ(WipeFile(first.c_str()), SdkErrorNone);
    EXPECT_FALSE(std::filesystem::exists(first));
}

int StopAlways(int) { return 0; }

TEST_F(WipeFileFixture, SlackStopsOnlyBeforeItStarts) {
    const std::string path = Make("s.bin", Bytes{'z'});
    SetContinueCallback(StopAlways, 0);
    EXPECT_EQ(WipeFileSlack(path.c_str()), SdkErrorAborted);
    EXPECT_EQ(WipeFreeSpace(test::Qualified(folder.path()).c_str()), SdkErrorAborted);
}

#if !defined(_WIN32)

// A sparse file far larger than its data (and than the volume's free space)
// is overwritten where it holds data; its holes stay holes.
TEST_F(WipeFileFixture, SparseFilesAreOverwrittenWhereTheyHoldData) {
    const std::uint64_t at = 8 << 20;
    const std::string path = test::Qualified(folder.path() / "sparse.bin");
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(at));
        out << std::string(cluster, 'A');
    }
    std::filesystem::resize_file(path, std::uint64_t{1} << 40);  // a terabyte
    Observed seen;
    observed = &seen;
    seen.path = path;
    seen.readContent = false;
    SetProgressCallback(RecordProgress, 0);
    SetDiskPasses(1);
    // Writing the holes would need a terabyte the volume does not have: the
    // wipe would fail. What it overwrote is the one cluster of data.
    ASSERT_EQ(WipeFile(path.c_str()), SdkErrorNone);
    ASSERT_FALSE(seen.reports.empty());
    EXPECT_EQ(seen.reports.back().total, static_cast<long long>(cluster));
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Runs `work` while the process may not write beyond `most` bytes of a file.
template <typename Work>
auto WithFileSizeLimit(rlim_t most, Work work) {
    struct rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = most;
    setrlimit(RLIMIT_FSIZE, &limit);
    const auto result = work();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    return result;
}

// A wipe that gives up (here: the process may not write beyond 1 or 4 MiB)
// keeps the file, as long as it was, and gives back the space it wrote,
// which holds nothing but its patterns now.
TEST_F(WipeFileFixture, AFailedOverwriteKeepsTheFileAndGivesBackTheSpaceItWrote) {
    const std::string kept = Make("kept.bin", Bytes((2 << 20) + 1, 0x61));
    EXPECT_EQ(WithFileSizeLimit(1 << 20, [&] { return WipeFile(kept.c_str()); }), SdkErrorDeleteFailed);
    EXPECT_EQ(test::SizeOf(kept), (2 << 20) + 1);

    const std::string path = test::Qualified(folder.path() / "holes.bin");
    std::filesystem::resize_file(Make("holes.bin", {}), 64 << 20);
    platform::OpenOptions options;
    options.write = true;
    platform::File file = platform::File::Open(path, options);
    ASSERT_TRUE(file.IsOpen());
    wipe::OverwriteJob job;
    job.parts = {{0, 64 << 20}};  // as a file system that cannot tell holes gives it
    job.length = 64 << 20;
    job.unit = static_cast<std::size_t>(cluster);
    job.passCount = [] { return 1; };
    job.giveBackOnFailure = true;
    EXPECT_EQ(WithFileSizeLimit(4 << 20, [&] { return wipe::Overwrite(file, job); }),
              wipe::OverwriteResult::WriteFailed);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_LE(static_cast<std::uint64_t>(info.st_blocks) * 512, cluster);
}

#endif

}  // namespace
}  // namespace pelorin
