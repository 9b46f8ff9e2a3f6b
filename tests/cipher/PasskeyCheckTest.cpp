#include <gtest/gtest.h>

#include "TestHex.h"
#include "cipher/Blowfish.h"
#include "cipher/PasskeyCheck.h"

namespace pelorin {
namespace {

using test::Bytes;
using test::ToHex;

using Salt = std::array<std::uint8_t, kArchiveSaltSize>;

// The check value rebuilt step by step from the public pieces.
PasskeyCheckValue RebuildCheck(std::span<const std::uint8_t> passkey, const Salt& salt) {
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, salt);
    Sha1Update(context, passkey);
    const auto digest = Sha1Final(context);
    const BlowfishKey key(digest);
    Salt block = salt;
    for (int i = 0; i < 1000; ++i) key.EncryptBlock(block.data());
    Sha1Context zero{};
    Sha1Update(zero, block);
    return Sha1Final(zero);
}

TEST(PasskeyCheckTest, FollowsTheDigestBlowfishDigestChain) {
    const Salt salt = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    const auto passkey = Bytes("correct horse");
    EXPECT_EQ(ToHex(ComputePasskeyCheck(passkey, salt)), ToHex(RebuildCheck(passkey, salt)));
}

TEST(PasskeyCheckTest, DependsOnSaltAndPasskey) {
    const Salt a = {1, 2, 3, 4, 5, 6, 7, 8};
    const Salt b = {1, 2, 3, 4, 5, 6, 7, 9};
    const auto passkey = Bytes("secret");
    EXPECT_NE(ToHex(ComputePasskeyCheck(passkey, a)), ToHex(ComputePasskeyCheck(passkey, b)));
    EXPECT_NE(ToHex(ComputePasskeyCheck(passkey, a)), ToHex(ComputePasskeyCheck(Bytes("secreT"), a)));
    EXPECT_EQ(ToHex(ComputePasskeyCheck(passkey, a)), ToHex(ComputePasskeyCheck(passkey, a)));
}

}  // namespace
}  // namespace pelorin
