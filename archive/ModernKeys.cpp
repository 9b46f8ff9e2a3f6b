#include "archive/ModernKeys.h"

#include <stdexcept>

#include "cipher/Argon2id.h"
#include "cipher/Blake2b.h"
#include "cipher/ChaCha20Poly1305.h"
#include "cipher/Scramble.h"
#include "platform/Memory.h"

namespace pelorin::archive {
namespace {

constexpr std::array<std::uint8_t, 12> kZeroNonce{};

std::span<const std::uint8_t> LabelBytes(std::string_view label) {
    return {reinterpret_cast<const std::uint8_t*>(label.data()), label.size()};
}

SecureBuffer LabelledKey(std::span<const std::uint8_t> fileKey, std::string_view label, std::uint64_t index,
                         const EntrySaltV8& salt) {
    std::array<std::uint8_t, 8> indexBytes{};
    PutU64(indexBytes.data(), index);
    SecureBuffer key(kFileKeySize, kKeyScrubPasses);
    Blake2b mac(kFileKeySize, fileKey);
    mac.Update(LabelBytes(label)).Update(indexBytes).Update(salt);
    mac.Final(key.bytes());
    return key;
}

}  // namespace

std::span<const std::uint8_t, 32> KeyOf(const SecureBuffer& key) {
    if (key.size() != kFileKeySize) throw std::logic_error("a key of 32 bytes was expected");
    return std::span<const std::uint8_t, 32>(key.data(), kFileKeySize);
}

SecureBuffer DeriveKek(std::span<const std::uint8_t> passkey, const ModernSalt& salt, const ModernCost& cost,
                       ParallelRunner& lanes, const DerivationProgress& progress) {
    // More memory than the machine has would come from the page file, or
    // have the system kill the process half way: refused before it is asked
    // for, as memory that cannot be had.
    const auto physical = platform::PhysicalMemoryBytes();
    if (physical && cost.memoryBytes() > *physical) throw Argon2MemoryError(cost.memoryBytes());
    SecureBuffer kek(kFileKeySize, kKeyScrubPasses);
    const Argon2Cost argon{cost.passes, static_cast<std::uint32_t>(cost.memoryKiB()), cost.lanes};
    Argon2id({passkey, salt, {}, {}}, argon, kek.bytes(), lanes, progress);
    return kek;
}

void WrapFileKey(std::span<const std::uint8_t> kek, std::span<const std::uint8_t> fileKey, ModernHeader& header) {
    const auto associated = HeaderAssociatedData(header.Serialize());
    ChaCha20Poly1305Seal(std::span<const std::uint8_t, 32>(kek.data(), kFileKeySize), kZeroNonce, associated, fileKey,
                         header.wrappedKey);
}

bool UnwrapFileKey(std::span<const std::uint8_t> kek, const ModernHeader& header, SecureBuffer& fileKey) {
    fileKey = SecureBuffer(kFileKeySize, kKeyScrubPasses);
    const auto associated = HeaderAssociatedData(header.Serialize());
    return ChaCha20Poly1305Open(std::span<const std::uint8_t, 32>(kek.data(), kFileKeySize), kZeroNonce, associated,
                                header.wrappedKey, fileKey.bytes());
}

EntryKeys DeriveEntryKeys(std::span<const std::uint8_t> fileKey, std::uint64_t index, const EntrySaltV8& salt) {
    return {LabelledKey(fileKey, kMetaKeyLabel, index, salt), LabelledKey(fileKey, kDataKeyLabel, index, salt)};
}

SecureBuffer DeriveEndKey(std::span<const std::uint8_t> fileKey) {
    SecureBuffer key(kFileKeySize, kKeyScrubPasses);
    Blake2bDigest(fileKey, LabelBytes(kEndKeyLabel), key.bytes());
    return key;
}

}  // namespace pelorin::archive
