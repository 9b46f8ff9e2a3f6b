#include <gtest/gtest.h>

#include <string>

#include "TestHex.h"
#include "cipher/Sha1.h"

namespace pelorin {
namespace {

using test::Bytes;
using test::ToHex;

// FIPS 180-1 appendices A and B, and the digest of the empty message.
TEST(Sha1Test, PublishedDigests) {
    EXPECT_EQ(ToHex(Sha1(Bytes(""))), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_EQ(ToHex(Sha1(Bytes("abc"))), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(ToHex(Sha1(Bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"))),
              "84983E441C3BD26EBAAE4AA1F95129E5E54670F1");
    const std::string million(1000000, 'a');
    EXPECT_EQ(ToHex(Sha1(Bytes(million))), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

TEST(Sha1Test, PiecewiseUpdatesMatchOneUpdateAcrossBlockBoundaries) {
    const auto data = test::TestBytes(300, 7);
    for (std::size_t split : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 128u, 299u}) {
        Sha1Context context;
        Sha1Init(context);
        Sha1Update(context, std::span(data).first(split));
        Sha1Update(context, std::span(data).subspan(split));
        EXPECT_EQ(ToHex(Sha1Final(context)), ToHex(Sha1(data))) << "split " << split;
    }
}

TEST(Sha1Test, FinalZeroesTheContextSoASecondDigestStartsFromZero) {
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, Bytes("abc"));
    Sha1Final(context);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&context);
    for (std::size_t i = 0; i < sizeof context; ++i) ASSERT_EQ(raw[i], 0) << "byte " << i;

    // Without Init the empty message no longer hashes to the standard value.
    const auto second = Sha1Final(context);
    EXPECT_NE(ToHex(second), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

}  // namespace
}  // namespace pelorin
