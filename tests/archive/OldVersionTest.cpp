// Archives of versions 3, 5 and 6 assembled byte by byte here, without the
// writer, so that the reader is checked against the layout and not only
// against its own writer.
#include <gtest/gtest.h>

#include "TestHex.h"
#include "support/NaiveRc4.h"
#include "archive/ArchiveTestSupport.h"
#include "cipher/Des.h"
#include "cipher/Idea.h"
#include "cipher/Sha1.h"

namespace pelorin::archive {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The first 8 bytes of the Pseudo-RC4 keystream, step by step.
Bytes FirstKeystreamBytes(const Bytes& key) { return test::NaiveKeystream(key, 8); }

// A piece: whole groups through `group`, then pad byte and padded group.
template <class GroupFunction>
Bytes Piece(const Bytes& plain, GroupFunction group) {
    Bytes out;
    std::size_t n = 0;
    for (; n + 8 <= plain.size(); n += 8) {
        Bytes g(plain.begin() + n, plain.begin() + n + 8);
        group(g.data());
        out.insert(out.end(), g.begin(), g.end());
    }
    if (n < plain.size()) {
        Bytes tail(plain.begin() + n, plain.end());
        std::uint8_t pad = 0;
        while (std::find(tail.begin(), tail.end(), pad) != tail.end()) ++pad;
        tail.resize(8, pad);
        group(tail.data());
        out.push_back(pad);
        out.insert(out.end(), tail.begin(), tail.end());
    }
    return out;
}

auto LegacyXor(const Bytes& key) {
    const Bytes stream = FirstKeystreamBytes(key);
    return [stream](std::uint8_t* g) {
        for (int k = 0; k < 8; ++k) g[k] ^= stream[k];
    };
}

void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

Bytes Header(std::uint8_t version, std::uint8_t algorithm, std::uint8_t encrypted, std::uint8_t hashed) {
    Bytes h(128, 0);
    h[0] = version;
    h[1] = algorithm;
    h[2] = encrypted;
    h[3] = hashed;
    return h;
}

Bytes BigEndian32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

const Bytes kSalt = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};

TEST(OldVersionTest, Version3DesPlainHeadersUnhashed) {
    const std::string passkey = "eightkey";
    const Bytes data = test::TestBytes(21, 30);
    Bytes archive = Header(3, 2, 0, 0);  // no salt or check before version 4
    Append(archive, {0x00, 0x05});      // 2-byte big-endian name length
    Append(archive, test::Span("a.doc"));
    Append(archive, BigEndian32(21));
    Append(archive, kSalt);
    Bytes key = test::Span(passkey);
    for (std::size_t i = 0; i < key.size(); ++i) key[i] ^= kSalt[i % 8];
    const DesKey des(key);
    Append(archive, Piece(data, [&](std::uint8_t* g) { des.EncryptBlock(g); }));

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
