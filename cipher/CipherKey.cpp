#include "cipher/CipherKey.h"

#include <stdexcept>

#include "cipher/Sha1.h"

namespace pelorin {
namespace {

std::span<const std::uint8_t> Checked(std::span<const std::uint8_t> passkey) {
    if (passkey.size() > kMaxPasskeyLength) throw std::length_error("A passkey holds at most 127 bytes");
    return passkey;
}

SecureBuffer EntryKey(std::span<const std::uint8_t> passkey, const EntrySalt& salt, PasskeyHashing hashing,
                      int scrubPasses) {
    if (hashing == PasskeyHashing::On) {
        SecureBox<Sha1Context> context(scrubPasses);
        SecureBuffer digest(kSha1DigestSize, scrubPasses);
        Sha1Init(*context);
        Sha1Update(*context, salt);
        Sha1Update(*context, passkey);
        Sha1Final(*context, std::span<std::uint8_t, kSha1DigestSize>(digest.data(), kSha1DigestSize));
        return digest;
    }
    SecureBuffer key(passkey.size(), scrubPasses);
    for (std::size_t i = 0; i < passkey.size(); ++i) key.data()[i] = passkey[i] ^ salt[i % kEntrySaltSize];
    return key;
}

}  // namespace

CipherKey::CipherKey(std::span<const std::uint8_t> passkey, int scrubPasses)
    : buffer_(Checked(passkey), scrubPasses) {}

CipherKey::CipherKey(std::span<const std::uint8_t> passkey, const EntrySalt& salt, PasskeyHashing hashing,
                     int scrubPasses)
    : buffer_(EntryKey(Checked(passkey), salt, hashing, scrubPasses)) {}

}  // namespace pelorin
