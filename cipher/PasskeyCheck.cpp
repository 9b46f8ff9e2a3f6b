#include "cipher/PasskeyCheck.h"

#include "cipher/Blowfish.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"

namespace pelorin {

PasskeyCheckValue ComputePasskeyCheck(std::span<const std::uint8_t> passkey,
                                      std::span<const std::uint8_t, kArchiveSaltSize> salt) {
    SecureBox<Sha1Context> context(kKeyScrubPasses);
    SecureBuffer digest(kSha1DigestSize, kKeyScrubPasses);
    Sha1Init(*context);
    Sha1Update(*context, salt);
    Sha1Update(*context, passkey);
    Sha1Final(*context, std::span<std::uint8_t, kSha1DigestSize>(digest.data(), kSha1DigestSize));

    const BlowfishKey key(digest.bytes());
    std::array<std::uint8_t, kArchiveSaltSize> block{};
    std::copy(salt.begin(), salt.end(), block.begin());
    for (int i = 0; i < kPasskeyCheckIterations; ++i) key.EncryptBlock(block.data());

    // Deliberately no new Init: the finished context is all zero.
    Sha1Update(*context, block);
    return Sha1Final(*context);
}

}  // namespace pelorin
