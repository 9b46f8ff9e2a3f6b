#include <gtest/gtest.h>

#include "TestHex.h"
#include "archive/ArchiveTestSupport.h"

namespace pelorin::archive {
namespace {

// Every algorithm, headers plain and enciphered, hashing on and off, sizes
// around every group and chunk boundary.
TEST(RoundTripTest, EveryAlgorithmAndSettingRestoresEveryByte) {
    const std::vector<std::size_t> sizes = {0, 1, 7, 8, 9, 15, 16, 17, 9999, 10000, 10007, 20001};
    for (int algorithm = 0; algorithm < kAlgorithmCount; ++algorithm) {
        for (bool encryptHeaders : {false, true}) {
            for (bool hash : {false, true}) {
                std::vector<test::TestEntry> entries;
                for (std::size_t size : sizes) {
                    entries.push_back({"Work\\Sub\\file" + std::to_string(size) + ".bin",
                                       test::TestBytes(size, static_cast<std::uint32_t>(size + algorithm))});
                }
                test::ArchiveOptions options;
                options.algorithm = algorithm;
                options.encryptHeaders = encryptHeaders;
                options.hashPasskey = hash;
                options.passkey = "a sixteen+ byte passkey";
                const auto bytes = test::WriteTestArchive(entries, options);
                test::FakeUi ui;
                const auto back = test::ReadTestArchive(bytes, options.passkey, ui);
                ASSERT_EQ(back.entries.size(), entries.size()) << algorithm;
                for (std::size_t i = 0; i < entries.size(); ++i) {
                    EXPECT_EQ(back.entries[i].name, entries[i].name);
                    EXPECT_EQ(back.entries[i].data, entries[i].data)
                        << "algorithm " << algorithm << " headers " << encryptHeaders << " hash " << hash
                        << " size " << entries[i].data.size();
                    EXPECT_EQ(back.outcomes[i], ReadOutcome::Complete);
                }
                EXPECT_TRUE(ui.shown.empty());
            }
        }
    }
}

TEST(RoundTripTest, SamePasskeyAndFileGiveDifferentDataInTwoArchives) {
    const std::vector<test::TestEntry> entries = {{"x", test::TestBytes(64, 3)}};
    test::ArchiveOptions options;
    options.hashPasskey = false;
    const auto a = test::WriteTestArchive(entries, options);
    const auto b = test::WriteTestArchive(entries, options);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_NE(std::vector<std::uint8_t>(a.end() - 64, a.end()), std::vector<std::uint8_t>(b.end() - 64, b.end()));
}

TEST(RoundTripTest, WrongPasskeyGivesOtherBytesButKeepsTheLengths) {
    test::ArchiveOptions options;
    options.encryptHeaders = false;
    const auto bytes = test::WriteTestArchive({{"f", test::TestBytes(37, 4)}}, options);
    test::FakeUi ui;
    const auto back = test::ReadTestArchive(bytes, "another passkey!", ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].data.size(), 37u);
    EXPECT_NE(back.entries[0].data, test::TestBytes(37, 4));
}

}  // namespace
}  // namespace pelorin::archive
