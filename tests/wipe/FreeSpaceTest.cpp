// Free-space wiping needs a volume of its own that it may fill: a 16 MiB tmpfs
// (or a Wine drive letter mapped to one) named by PELORIN_TEST_VOLUME.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/Volume.h"
#include "wipe/WipeTestSupport.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;

struct FillWatch {
    std::string root;
    std::int64_t largestFill = 0;
    long long lastCount = 0, lastTotal = 0;
    int reports = 0;
    bool sawName = false;
    int continueCalls = 0;
    int stopOnCall = -1;
};
FillWatch* watch = nullptr;

std::vector<fs::path> FillFiles(const std::string& root) {
    std::vector<fs::path> found;
    for (const auto& name : platform::ListFolder(root).names) {
        if (name.rfind("pel", 0) == 0) found.push_back(root + name);
    }
    return found;
}

int WatchProgress(long long count, long long total, const char* name, int) {
    ++watch->reports;
    watch->sawName = watch->sawName || name != nullptr;
    watch->lastCount = count;
    watch->lastTotal = total;
    for (const auto& fill : FillFiles(watch->root)) {
        watch->largestFill = std::max<std::int64_t>(watch->largestFill, test::SizeOf(fill.string()));
    }
    return 0;
}

int StopOnCall(int) { return ++watch->continueCalls == watch->stopOnCall ? 0 : 1; }

// One test for everything that uses the volume, so that nothing else fills it
// meanwhile.
TEST(FreeSpaceTest, FillsRewritesAndRemovesTheFillFileAndStopsCleanlyOnTestVolume) {
    const char* volume = test::TestVolume();
    if (volume == nullptr) GTEST_SKIP() << "PELORIN_TEST_VOLUME names no test volume";
    const std::string root = volume;
    for (const auto& leftover : FillFiles(root)) fs::remove(leftover);
    test::ResetLibrary();
    const auto geometry = platform::QueryVolume(root);
    ASSERT_TRUE(geometry);
    const long long freeBytes = static_cast<long long>(geometry->clusterSize * geometry->freeClusters);
    ASSERT_GT(freeBytes, 1 << 20);

    FillWatch seen;
    seen.root = root;
    watch = &seen;
    SetProgressCallback(WatchProgress, 0);
    SetDiskPasses(2);
    EXPECT_EQ(WipeFreeSpace(root.c_str()), SdkErrorNone);
    EXPECT_TRUE(FillFiles(root).empty());
    EXPECT_FALSE(seen.sawName);
    EXPECT_EQ(seen.lastTotal, 2 * freeBytes);
    EXPECT_EQ(seen.lastCount, 2 * freeBytes);
    // The fill took (nearly) all the free space: a few clusters may go to the
    // file system's own bookkeeping.
    EXPECT_GE(seen.largestFill, freeBytes - 64 * static_cast<long long>(geometry->clusterSize));

    // Stopped by the continue callback: no fill file stays behind.
    FillWatch stopped;
    stopped.root = root;
    stopped.stopOnCall = 50;
    watch = &stopped;
    SetContinueCallback(StopOnCall, 0);
    EXPECT_EQ(WipeFreeSpace(root.c_str()), SdkErrorAborted);
    EXPECT_TRUE(FillFiles(root).empty());
    test::ResetLibrary();

    // A root without its final separator is no drive root.
    EXPECT_EQ(WipeFreeSpace(root.substr(0, root.size() - 1).c_str()), SdkErrorBadDrive);

    // A sparse file owns no space. Where its holes are known it is
    // overwritten where it holds data, so a full volume does not stop the
    // wipe; where they are not (Wine shows none), overwriting it needs space
    // that a full volume does not have, and it is kept and reported, not
    // deleted as if it had been wiped.
    const std::string sparse = root + "sparse.bin";
    const std::string filler = root + "filler.bin";
    {
        platform::OpenOptions create;
        create.write = true;
        create.create = true;
        create.truncate = true;
        platform::File file = platform::File::Open(sparse, create);
        ASSERT_TRUE(file.IsOpen());
        ASSERT_TRUE(file.SetLength(4 << 20));
        platform::File fill = platform::File::Open(filler, create);
        const std::vector<std::uint8_t> block(1 << 20, 0x33);
        while (fill.Write(block.data(), block.size()) == static_cast<std::int64_t>(block.size())) {
        }
    }
#if defined(_WIN32)
    EXPECT_EQ(WipeFile(sparse.c_str()), SdkErrorDeleteFailed);
    EXPECT_TRUE(fs::exists(sparse));
    EXPECT_EQ(test::SizeOf(sparse), 4 << 20);
#else
    EXPECT_EQ(WipeFile(sparse.c_str()), SdkErrorNone);
    EXPECT_FALSE(fs::exists(sparse));
#endif
    fs::remove(sparse);
    fs::remove(filler);
}

}  // namespace
}  // namespace pelorin
