// The encrypt job with algorithm 9: what goes into a version-8 archive from
// a tree, what is named and left out, sources that change while they are
// stored, and the passkey rules of the ninth algorithm.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "TestHex.h"
#include "app_common/ForwardingUi.h"
#include "app_common/JobExit.h"
#include "archive/ArchiveTestSupport.h"
#include "encrypt_app/EncryptJob.h"
#include "encrypt_app/EncryptSettings.h"
#include "platform/FileStatus.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"
#include "support/TestSettings.h"

namespace pelorin::encrypt {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

constexpr bool kPosix = platform::kHostSeparator == '/';

class ModernUi : public ForwardingUi<EncryptUi> {
public:
    ModernUi() : ForwardingUi(fake) {}
    void ShowNoFilesDialog() override {}
    bool RunEncryptDialog(EncryptDialogModel& model) override {
        model.selectedAlgorithm = archive::kModernAlgorithm;
        model.passkey = passkey;
        model.verify = passkey;
        model.deleteSource = deleteSources;
        return model.ValidateOk(*this, true);
    }
    test::FakeUi fake;
    std::string passkey = "sn\xc3\xb6w";
    bool deleteSources = false;
};

struct ModernEncryptTest : ::testing::Test {
    test::TempFolder folder;
    test::TestSettings testSettings;
    ModernUi ui;
    test::FakeProgressView view;

    void SetUp() override { testSettings.store().Write(kKdfMemory.name, 8); }
    int Run(const std::vector<std::string>& names) { return RunEncryptJob(names, ui, view, testSettings.store()); }
    test::ModernReadBack ReadBack(const std::string& archive) {
        return test::ReadModernTestArchive(folder.Read(archive), ui.passkey);
    }
    void Append(const std::string& relative, const std::string& text) {
        std::ofstream(folder.Path(relative), std::ios::binary | std::ios::app) << text;
    }
};

TEST_F(ModernEncryptTest, ATreeGoesInWithFoldersFirstEmptyOnesTimesAndModes) {
    fs::create_directories(folder.Path("Tree/empty folder"));
    fs::create_directories(folder.Path("Tree/sub"));
    folder.Write("Tree/sub/big", test::TestBytes(65537, 3));
    folder.Write("Tree/sub/empty", {});
    // A name outside ASCII, made through the system's wide names on Windows.
    std::ofstream(folder.path() / fs::path(u8"Tree/caf\u00e9.txt"), std::ios::binary) << "bonjour";
    if (kPosix) fs::permissions(folder.Path("Tree/sub/big"), fs::perms(0640));
    ASSERT_EQ(Run({folder.Path("Tree")}), 0) << ::testing::PrintToString(ui.fake.Texts());

    const auto back = ReadBack("Tree.pvb");
    ASSERT_EQ(back.opened, archive::ModernOpening::Result::Opened);
    EXPECT_EQ(back.last.kind, archive::ModernRecord::Kind::End);
    std::map<std::string, const test::ModernTestEntry*> byName;
    std::vector<std::string> order;
    for (const auto& entry : back.entries) {
        byName[entry.metadata.name] = &entry;
        order.push_back(entry.metadata.name);
        EXPECT_TRUE(entry.metadata.time);
        EXPECT_EQ(entry.metadata.mode.has_value(), kPosix);
    }
    ASSERT_EQ(byName.size(), 6u);
    // Every folder's record comes before what it holds.
    const auto position = [&](const std::string& name) {
        return std::find(order.begin(), order.end(), name) - order.begin();
    };
    EXPECT_EQ(position("Tree"), 0);
    EXPECT_LT(position("Tree\\sub"), position("Tree\\sub\\big"));
    EXPECT_LT(position("Tree\\sub"), position("Tree\\sub\\empty"));
    EXPECT_EQ(byName.at("Tree\\empty folder")->metadata.kind, archive::EntryKind::Folder);
    EXPECT_EQ(byName.at("Tree\\sub\\empty")->metadata.kind, archive::EntryKind::File);
    EXPECT_EQ(byName.at("Tree\\sub\\big")->data, test::TestBytes(65537, 3));
    EXPECT_EQ(byName.at("Tree\\caf\xc3\xa9.txt")->data, test::Span("bonjour"));
    const auto status = platform::StatusOf(folder.Path("Tree/sub/big"));
    const auto time = platform::UnixTimeOf(status->modified);
    EXPECT_EQ(byName.at("Tree\\sub\\big")->metadata.time, (archive::ModernTime{time.seconds, time.nanoseconds}));
    if (kPosix) EXPECT_EQ(byName.at("Tree\\sub\\big")->metadata.mode, std::optional<std::uint32_t>(0640));
}

TEST_F(ModernEncryptTest, WhatCannotBeStoredIsNamedAndKeptAndTheRestIsWiped) {
    fs::create_directories(folder.Path("Work/inner"));
    folder.Write("Work/inner/a", test::Span("a"));
    folder.Write("Work/b", {});
    if (kPosix) {
        fs::create_symlink("b", folder.Path("Work/inner/link"));
        folder.Write(std::string("Work/bad\xff name"), test::Span("latin-1"));
    }
    ui.deleteSources = true;
    const int status = Run({folder.Path("Work")});
    if (!kPosix) {
        EXPECT_EQ(status, 0);
        EXPECT_FALSE(folder.Exists("Work"));
        return;
    }
    EXPECT_EQ(status, kExitIncomplete);
    const auto texts = ui.fake.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), LinkNotFollowedText(folder.Path("Work/inner/link"))), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), NotUtf8NameText(folder.Path("Work/bad\xff name"))), 1);
    // Stored and wiped: the file and the empty file; what holds the link and
    // the other name stays.
    EXPECT_FALSE(folder.Exists("Work/inner/a"));
    EXPECT_FALSE(folder.Exists("Work/b"));
    EXPECT_TRUE(folder.Exists("Work/inner"));
    EXPECT_TRUE(folder.Exists("Work/bad\xff name"));
    const auto back = ReadBack("Work.pvb");
    EXPECT_EQ(back.entries.size(), 4u);  // Work, Work\inner, Work\inner\a, Work\b
}

// A source that changes while it is read is taken out and stored again with
// what it holds then; one that changes again is left out and never wiped.
TEST_F(ModernEncryptTest, ASourceThatChangesWhileStoredIsWrittenAgainOnceOrLeftOut) {
    struct Case {
        const char* what;
        int changes;  // how many times the file grows while it is read
        bool stored;
    };
    for (const Case& c : {Case{"grows once", 1, true}, Case{"grows twice", 2, false}}) {
        SCOPED_TRACE(c.what);
        const std::string name = std::string("src") + std::to_string(c.changes);
        fs::create_directories(folder.Path(name));
        folder.Write(name + "/f", test::TestBytes(100, 1));
        folder.Write(name + "/g", test::Span("stays"));
        // At most once per attempt to store it: each attempt sets the status.
        int grown = 0;
        std::size_t grownAt = 0;
        view.onPump = [&] {
            const auto& statuses = view.statuses;
            if (grown < c.changes && statuses.size() != grownAt && statuses.back().rfind(name + "\\f", 0) == 0) {
                ++grown;
                grownAt = statuses.size();
                Append(name + "/f", "more");
            }
        };
        ui.deleteSources = true;
        const int status = Run({folder.Path(name)});
        view.onPump = nullptr;
        EXPECT_EQ(status, c.stored ? 0 : kExitIncomplete);
        EXPECT_EQ(grown, c.changes);
        const auto back = ReadBack(name + ".pvb");
        EXPECT_EQ(back.last.kind, archive::ModernRecord::Kind::End);
        std::vector<std::string> names;
        for (const auto& entry : back.entries) {
            names.push_back(entry.metadata.name);
            if (entry.metadata.name == name + "\\f") EXPECT_EQ(entry.data.size(), 104u);  // as it was then
        }
        EXPECT_EQ(std::count(names.begin(), names.end(), name + "\\f"), c.stored ? 1 : 0);
        EXPECT_EQ(folder.Exists(name + "/f"), !c.stored);  // never wiped when left out
        EXPECT_FALSE(folder.Exists(name + "/g"));
        if (!c.stored) {
            const auto texts = ui.fake.Texts();
            const std::string path = folder.Path(name) + platform::kHostSeparator + "f";
            EXPECT_NE(std::find(texts.begin(), texts.end(), ChangedTwiceText(path)), texts.end());
        }
    }
}

TEST(ModernPasskeyTest, AlgorithmNineTakesOneTo1024BytesOfUtf8) {
    struct Case {
        std::string passkey;
        bool accepted;
    };
    const Case cases[] = {
        {"x", true},
        {std::string(128, 'x'), true},
        {std::string(1024, 'x'), true},
        {std::string(1025, 'x'), false},
        {"\xe2\x98\x83 snowman", true},
        {"latin-1 \xe9", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.passkey.size());
        test::FakeUi ui;
        EncryptDialogModel model;
        model.selectedAlgorithm = archive::kModernAlgorithm;
        model.passkey = c.passkey;
        model.verify = c.passkey;
        EXPECT_EQ(model.ValidateOk(ui, false), c.accepted);
    }
    // The classic algorithms keep their limit.
    test::FakeUi ui;
    EncryptDialogModel classic;
    classic.selectedAlgorithm = 1;
    classic.passkey = std::string(128, 'x');
    classic.verify = std::string(128, 'x');
    EXPECT_FALSE(classic.ValidateOk(ui, true));
}

}  // namespace
}  // namespace pelorin::encrypt
