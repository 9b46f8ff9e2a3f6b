// Archives of versions 3, 5 and 6 assembled byte by byte here, without the
// writer, so that the reader is checked against the layout and not only
// against its own writer.
#include <gtest/gtest.h>

#include "TestHex.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/OldArchiveBytes.h"
#include "cipher/Des.h"
#include "cipher/Idea.h"
#include "cipher/Sha1.h"

namespace pelorin::archive {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace test::old_archive;

TEST(OldVersionTest, Version3DesPlainHeadersUnhashed) {
    const std::string passkey = "eightkey";
    const Bytes data = test::TestBytes(21, 30);
    const Bytes archive = Version3DesArchive("a.doc", data, passkey);

    test::FakeUi ui;
    const auto back = test::ReadTestArchive(archive, passkey, ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].name, "a.doc");
    EXPECT_EQ(back.entries[0].data, data);
}

TEST(OldVersionTest, Version5LegacyRc4HeadersAndBody) {
    const std::string passkey = "rc4 passkey";
    const Bytes data = test::TestBytes(30, 31);
    const Bytes name = test::Span("Sub\\File.txt");
    Bytes archive = Header(5, 5, 1, 1);
    Append(archive, kSalt);
    Append(archive, Bytes(20, 0xCC));  // check value: the reader's pass does not compare it
    const auto headerXor = LegacyXor(test::Span(passkey));
    Append(archive, Piece({0x00, static_cast<std::uint8_t>(name.size())}, headerXor));
    Append(archive, Piece(name, headerXor));
    Append(archive, Piece(BigEndian32(30), headerXor));
    Append(archive, kSalt);
    Bytes message = kSalt;
    Append(message, test::Span(passkey));
    const auto digest = Sha1(message);
    Append(archive, Piece(data, LegacyXor(Bytes(digest.begin(), digest.end()))));

    test::FakeUi ui;
    const auto back = test::ReadTestArchive(archive, passkey, ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].name, "Sub\\File.txt");
    EXPECT_EQ(back.entries[0].data, data);
}

TEST(OldVersionTest, Version6WideNameLengthWithLegacyHeaders) {
    const std::string passkey = "sixteen byte key!";
    const Bytes data = test::TestBytes(40, 32);
    const Bytes name = test::Span("Notes.txt");
    Bytes archive = Header(6, 3, 1, 0);
    Append(archive, kSalt);
    Append(archive, Bytes(20, 0));
    const auto headerXor = LegacyXor(test::Span(passkey));
    Append(archive, Piece({static_cast<std::uint8_t>(name.size()), 0, 0, 0}, headerXor));
    Append(archive, Piece(name, headerXor));
    Append(archive, Piece(BigEndian32(40), headerXor));
    Append(archive, kSalt);
    Bytes key = test::Span(passkey);
    for (std::size_t i = 0; i < key.size(); ++i) key[i] ^= kSalt[i % 8];
    const IdeaKey idea(key);
    Append(archive, Piece(data, [&](std::uint8_t* g) { idea.EncryptBlock(g); }));

    test::FakeUi ui;
    const auto back = test::ReadTestArchive(archive, passkey, ui);
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].name, "Notes.txt");
    EXPECT_EQ(back.entries[0].data, data);

    // The same bytes marked as version 7 are read with the current
    // keystream, so the enciphered header no longer makes sense.
    archive[0] = 7;
    test::FakeUi ui7;
    const auto wrong = test::ReadTestArchive(archive, passkey, ui7);
    EXPECT_TRUE(wrong.entries.empty() || wrong.entries[0].name != "Notes.txt");
}

}  // namespace
}  // namespace pelorin::archive
