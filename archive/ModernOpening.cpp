#include "archive/ModernOpening.h"

#include <algorithm>

#include "cipher/Argon2id.h"

namespace pelorin::archive {

std::optional<std::uint8_t> ArchiveVersionOf(platform::File& file) {
    std::uint8_t version = 0;
    const bool read = file.Read(&version, 1) == 1;
    if (file.Seek(0, platform::SeekFrom::Start) != 0 || !read) return std::nullopt;
    return version;
}

bool ModernKeyRing::Holds(const ModernHeaderBytes& bytes) const {
    return std::any_of(keys_.begin(), keys_.end(), [&](const auto& key) { return key.first == bytes; });
}

ModernOpening ModernKeyRing::Open(ByteSource& source, std::span<const std::uint8_t> passkey, ParallelRunner& workers,
                                  const DerivationProgress& progress) {
    ModernHeaderBytes bytes{};
    const std::size_t got = source.Read(bytes);
    ModernOpening opening;
    if (source.Failed()) return opening;
    if (got < bytes.size()) {
        opening.result = ModernOpening::Result::ShortHeader;
        return opening;
    }
    return Open(bytes, passkey, workers, progress);
}

ModernOpening ModernKeyRing::Open(const ModernHeaderBytes& bytes, std::span<const std::uint8_t> passkey,
                                  ParallelRunner& workers, const DerivationProgress& progress) {
    ModernOpening opening;
    const ParsedHeader parsed = ParseModernHeader(bytes);
    if (!parsed.header) {
        opening.result = ModernOpening::Result::BadHeader;
        opening.fault = parsed.fault;
        return opening;
    }
    opening.header = *parsed.header;
    for (const auto& key : keys_) {
        if (key.first == bytes) {
            opening.result = ModernOpening::Result::Opened;
            opening.fileKey = key.second->bytes();
            return opening;
        }
    }
    auto fileKey = std::make_unique<SecureBuffer>();
    try {
        const SecureBuffer kek = DeriveKek(passkey, opening.header.salt, opening.header.cost, workers, progress);
        if (!UnwrapFileKey(kek.bytes(), opening.header, *fileKey)) {
            opening.result = ModernOpening::Result::WrongPasskey;
            return opening;
        }
    } catch (const Argon2MemoryError& error) {
        opening.result = ModernOpening::Result::MemoryUnavailable;
        opening.memoryBytes = error.bytes();
        return opening;
    }
    opening.result = ModernOpening::Result::Opened;
    opening.fileKey = fileKey->bytes();
    keys_.emplace_back(bytes, std::move(fileKey));
    return opening;
}

}  // namespace pelorin::archive
