#include "cipher/CipherKey.h"

#include <stdexcept>

#include "cipher/Sha1.h"

namespace pelorin {

CipherKey::CipherKey(std::span<const std::uint8_t> passkey, int scrubPasses)
    : buffer_(passkey.size() <= kMaxPasskeyLength
                  ? SecureBuffer(passkey, scrubPasses)
                  : throw std::length_error("A passkey holds at most 127 bytes")) {}

void CipherKey::DeriveForEntry(const EntrySalt& salt, PasskeyHashing hashing) {
    if (hashing == PasskeyHashing::On) {
        SecureBox<Sha1Context> context(buffer_.scrubPasses());
        SecureBuffer digest(kSha1DigestSize, buffer_.scrubPasses());
        Sha1Init(*context);
        Sha1Update(*context, salt);
        Sha1Update(*context, buffer_.bytes());
        Sha1Final(*context, std::span<std::uint8_t, kSha1DigestSize>(digest.data(), kSha1DigestSize));
        buffer_ = std::move(digest);
        return;
    }
    for (std::size_t i = 0; i < buffer_.size(); ++i) buffer_.data()[i] ^= salt[i % kEntrySaltSize];
}

}  // namespace pelorin
