#include "archive/ArchiveFormat.h"

namespace pelorin::archive {

bool PasskeyLongEnough(int algorithm, PasskeyHashing hashing, std::size_t passkeyLength) {
    const AlgorithmInfo* info = FindAlgorithm(algorithm);
    if (info == nullptr || hashing == PasskeyHashing::On) return true;
    return passkeyLength >= static_cast<std::size_t>(info->keyBytesRequired);
}

std::array<std::uint8_t, kArchiveHeaderSize> ArchiveHeader::Serialize() const {
    std::array<std::uint8_t, kArchiveHeaderSize> bytes{};
    bytes[0] = version;
    bytes[1] = algorithm;
    bytes[2] = encryptedHeaders;
    bytes[3] = hashedPasskey;
    return bytes;
}

ArchiveHeader ArchiveHeader::Parse(std::span<const std::uint8_t, kArchiveHeaderSize> bytes) {
    return ArchiveHeader{bytes[0], bytes[1], bytes[2], bytes[3]};
}

std::array<std::uint8_t, kSizeFieldLength> EncodeSizeField(std::uint64_t size) {
    const auto low = static_cast<std::uint32_t>(size);
    return {static_cast<std::uint8_t>(low >> 24), static_cast<std::uint8_t>(low >> 16),
            static_cast<std::uint8_t>(low >> 8), static_cast<std::uint8_t>(low)};
}

std::uint32_t DecodeSizeField(std::span<const std::uint8_t, kSizeFieldLength> bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
           std::uint32_t{bytes[3]};
}

std::array<std::uint8_t, kWideNameLengthLength> EncodeNameLength(std::int32_t length) {
    const auto value = static_cast<std::uint32_t>(length);
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::int64_t DecodeNameLength(std::span<const std::uint8_t> bytes, std::uint8_t version) {
    if (NameLengthFieldLength(version) == kWideNameLengthLength) {
        const std::uint32_t value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                    std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
        return static_cast<std::int32_t>(value);
    }
    return std::int64_t{bytes[0]} << 8 | bytes[1];
}

}  // namespace pelorin::archive
