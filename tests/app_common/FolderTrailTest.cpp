#include <gtest/gtest.h>

#include <filesystem>

#include "app_common/FolderTrail.h"
#include "support/TempFolder.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;

// However deep the walk goes, only the top and the deepest few folders are
// held open; on the way back each folder is the one the walk went into.
TEST(FolderTrail, HoldsABoundedNumberOfFoldersAtAnyDepth) {
    test::TempFolder folder;
    fs::path deepest = folder.path() / "top";
    for (int i = 0; i < 40; ++i) deepest /= "d" + std::to_string(i);
    fs::create_directories(deepest);
    auto top = platform::Folder::Open(folder.Path("top"));
    ASSERT_TRUE(top);
    FolderTrail trail(std::move(*top), 3);
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(trail.Enter("d" + std::to_string(i)));
        EXPECT_LE(trail.OpenCount(), 4u);
    }
    for (int i = 39; i >= 0; --i) {
        const platform::Folder* here = trail.Current();
        ASSERT_NE(here, nullptr) << i;
        EXPECT_TRUE(here->StatusOf("d" + std::to_string(i + 1)) || i == 39);
        EXPECT_EQ(fs::path(here->path()).filename(), "d" + std::to_string(i));
        EXPECT_LE(trail.OpenCount(), 4u);
        trail.Leave();
    }
    EXPECT_EQ(trail.Depth(), 0u);
}

// A folder the walk had to close is taken again only when it is still the
// one it went into: one put in its place (here while the folder the walk is
// in was moved away, so that ".." leads elsewhere) is refused.
TEST(FolderTrail, AClosedFolderReplacedMeanwhileIsRefused) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows keeps an open folder from being moved";
#endif
    test::TempFolder folder;
    fs::create_directories(folder.path() / "top" / "a" / "b" / "c" / "d");
    fs::create_directories(folder.path() / "top" / "elsewhere");
    auto top = platform::Folder::Open(folder.Path("top"));
    ASSERT_TRUE(top);
    FolderTrail trail(std::move(*top), 1);
    for (const char* name : {"a", "b", "c", "d"}) ASSERT_TRUE(trail.Enter(name));
    fs::rename(folder.path() / "top/a/b/c/d", folder.path() / "top/elsewhere/d");
    fs::rename(folder.path() / "top/a/b", folder.path() / "top/a/b2");
    fs::create_directories(folder.path() / "top/a/b/c");
    trail.Leave();
    EXPECT_EQ(trail.Current(), nullptr);
    EXPECT_EQ(trail.Failure(), kFolderChangedText);
}

}  // namespace
}  // namespace pelorin
