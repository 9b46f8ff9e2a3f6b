#include <gtest/gtest.h>

#include "TestHex.h"
#include "archive/ArchiveFormat.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/ChunkSize.h"
#include "archive/HeaderCipher.h"

namespace pelorin::archive {
namespace {

using test::ToHex;

TEST(ArchiveFormatTest, HeaderIs128BytesWithFourLeadingFields) {
    ArchiveHeader header{7, 3, 1, 0};
    const auto bytes = header.Serialize();
    EXPECT_EQ(bytes.size(), 128u);
    EXPECT_EQ(ToHex(std::span(bytes).first(4)), "07030100");
    for (std::size_t i = 4; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0);
    const auto parsed = ArchiveHeader::Parse(bytes);
    EXPECT_EQ(parsed.version, 7);
    EXPECT_EQ(parsed.algorithm, 3);
    EXPECT_EQ(parsed.encryptedHeaders, 1);
    EXPECT_EQ(parsed.hashedPasskey, 0);
}

TEST(ArchiveFormatTest, SizeFieldIsBigEndianLow32Bits) {
    EXPECT_EQ(ToHex(EncodeSizeField(5)), "00000005");
    EXPECT_EQ(ToHex(EncodeSizeField(0x01020304)), "01020304");
    EXPECT_EQ(ToHex(EncodeSizeField(0x1'0000'0007ull)), "00000007");  // 4 GiB + 7
    const std::array<std::uint8_t, 4> field = {0x80, 0, 0, 1};
    EXPECT_EQ(DecodeSizeField(field), 0x80000001u);
}

TEST(ArchiveFormatTest, NameLengthByVersion) {
    EXPECT_EQ(ToHex(EncodeNameLength(5)), "05000000");
    const std::vector<std::uint8_t> wide = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(DecodeNameLength(wide, 6), -1);
    EXPECT_EQ(DecodeNameLength(wide, 7), -1);
    const std::vector<std::uint8_t> long300 = {0x01, 0x2C}, long200 = {0x00, 0xC8};
    EXPECT_EQ(DecodeNameLength(long300, 5), 300);
    EXPECT_EQ(DecodeNameLength(long200, 5), 200);  // both bytes unsigned
    EXPECT_EQ(NameLengthFieldLength(5), 2u);
    EXPECT_EQ(NameLengthFieldLength(6), 4u);
    EXPECT_EQ(NameLengthFieldLength(9), 4u);
}

TEST(ArchiveFormatTest, VersionRules) {
    EXPECT_FALSE(HasPasskeyCheck(3));
    EXPECT_TRUE(HasPasskeyCheck(4));
    EXPECT_EQ(FirstEntryOffset(3), 128u);
    EXPECT_EQ(FirstEntryOffset(4), 156u);
    EXPECT_EQ(HeaderKeystream(6), KeystreamVariant::Legacy);
    EXPECT_EQ(HeaderKeystream(7), KeystreamVariant::Current);
    EXPECT_EQ(HeaderKeystream(8), KeystreamVariant::Current);
}

TEST(ArchiveFormatTest, EncryptedNamesOccupyWholeGroupsPlusNine) {
    EXPECT_EQ(StoredItemLength(5, true), 9u);
    EXPECT_EQ(StoredItemLength(8, true), 8u);
    EXPECT_EQ(StoredItemLength(13, true), 17u);
    EXPECT_EQ(StoredItemLength(13, false), 13u);
}

TEST(ChunkSizeTest, BoundariesOfTheBufferRule) {
    EXPECT_EQ(ChunkSize(0), 8u);
    EXPECT_EQ(ChunkSize(5), 8u);
    EXPECT_EQ(ChunkSize(8), 8u);
    EXPECT_EQ(ChunkSize(9999), 9992u);
    EXPECT_EQ(ChunkSize(10000), 1000u);
    EXPECT_EQ(ChunkSize(10007), 1000u);
    EXPECT_EQ(ChunkSize(20000), 2000u);
    EXPECT_EQ(ChunkSize(12'000'000), 1'000'000u);
    EXPECT_EQ(ChunkSize(100'000'000), 1'000'000u);
    EXPECT_EQ(ChunkSize(10'000'079), 1'000'000u);
    EXPECT_EQ(ChunkSize(9'999'999), 999'992u);
    EXPECT_EQ(ProgressStep(0, 32766), 32766);
    EXPECT_EQ(ProgressStep(10, 32766), 3276);
    EXPECT_EQ(ProgressStep(100, 32766), 327);
}

// A version 7 archive holding one 5-byte file stored as a.txt.
TEST(ArchiveLayoutTest, PlainHeadersGive186Bytes) {
    test::ArchiveOptions options;
    options.encryptHeaders = false;
    const auto bytes = test::WriteTestArchive({{"a.txt", test::Span("hello")}}, options);
    ASSERT_EQ(bytes.size(), 186u);
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(ToHex(std::span(bytes).subspan(128, 8)), "0908070605040302");  // archive salt
    EXPECT_EQ(ToHex(std::span(bytes).subspan(156, 4)), "05000000");
    EXPECT_EQ(std::string(bytes.begin() + 160, bytes.begin() + 165), "a.txt");
    EXPECT_EQ(ToHex(std::span(bytes).subspan(165, 4)), "00000005");
    // "hello" holds no byte 0..7: the pad byte is 0.
    EXPECT_EQ(bytes[177], 0);
    test::FakeUi ui;
    const auto back = test::ReadTestArchive(bytes, options.passkey, ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].name, "a.txt");
    EXPECT_EQ(back.entries[0].data, test::Span("hello"));
}

TEST(ArchiveLayoutTest, EncryptedHeadersGive200Bytes) {
    test::ArchiveOptions options;
    const auto bytes = test::WriteTestArchive({{"a.txt", test::Span("hello")}}, options);
    ASSERT_EQ(bytes.size(), 200u);
    EXPECT_EQ(bytes[2], 1);
    // Each item is a pad byte in clear and one group: the name length at
    // 156, the name at 165, the size at 174, the data's pad byte at 191.
    EXPECT_EQ(bytes[156], 1);  // 05 00 00 00 holds 0 but not 1
    EXPECT_EQ(bytes[165], 0);  // "a.txt"
    EXPECT_EQ(bytes[174], 1);  // 00 00 00 05
    EXPECT_EQ(bytes[191], 0);  // "hello"
    // The name length and the size are both 4-byte items enciphered from the
    // same keystream start: their groups differ exactly where their padded
    // plain groups differ.
    for (int i = 0; i < 8; ++i) {
        const std::uint8_t lengthGroup[8] = {5, 0, 0, 0, 1, 1, 1, 1};
        const std::uint8_t sizeGroup[8] = {0, 0, 0, 5, 1, 1, 1, 1};
        EXPECT_EQ(bytes[157 + i] ^ bytes[175 + i], lengthGroup[i] ^ sizeGroup[i]) << i;
    }
    test::FakeUi ui;
    const auto back = test::ReadTestArchive(bytes, options.passkey, ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].data, test::Span("hello"));
}

// Header items written and read inside a scope that keyed the header cipher
// once are the bytes of items keyed one by one, in both keystream variants;
// a scope of other bytes (another passkey, or a copy of this one) is not
// used.
TEST(HeaderKeyScopeTest, ItemsAreTheSameBytesAsWhenKeyedOneByOne) {
    const auto passkey = test::Span("the passkey");
    const auto copy = test::Span("the passkey");
    const auto another = test::Span("another one");
    for (const std::size_t size : {4u, 5u, 8u, 17u, 600u}) {
        SCOPED_TRACE(size);
        const auto item = test::TestBytes(size, static_cast<std::uint32_t>(size));
        MemorySink alone;
        ASSERT_TRUE(WriteHeaderItem(alone, item, true, passkey));
        const auto read = [&](KeystreamVariant variant) {
            MemorySource source(alone.bytes());
            std::vector<std::uint8_t> plain(size);
            EXPECT_TRUE(ReadHeaderItem(source, plain, true, passkey, variant));
            return plain;
        };
        const auto legacyAlone = read(KeystreamVariant::Legacy);
        const std::vector<std::uint8_t>* scopes[] = {&passkey, &copy, &another};
        for (int which = 0; which < 3; ++which) {
            SCOPED_TRACE(which);
            const HeaderKeyScope scope(*scopes[which]);
            MemorySink inScope;
            ASSERT_TRUE(WriteHeaderItem(inScope, item, true, passkey));
            EXPECT_EQ(inScope.bytes(), alone.bytes());
            EXPECT_EQ(read(KeystreamVariant::Current), item);
            EXPECT_EQ(read(KeystreamVariant::Legacy), legacyAlone);
        }
    }
}

}  // namespace
}  // namespace pelorin::archive
