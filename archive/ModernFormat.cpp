#include "archive/ModernFormat.h"

#include <algorithm>

#include "archive/EntryNames.h"

namespace pelorin::archive {

void PutU16(std::uint8_t* out, std::uint16_t value) {
    for (int i = 0; i < 2; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void PutU32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void PutU64(std::uint8_t* out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
std::uint16_t GetU16(const std::uint8_t* in) { return static_cast<std::uint16_t>(in[0] | (in[1] << 8)); }
std::uint32_t GetU32(const std::uint8_t* in) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | in[i];
    return value;
}
std::uint64_t GetU64(const std::uint8_t* in) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | in[i];
    return value;
}

ModernHeaderBytes ModernHeader::Serialize() const {
    ModernHeaderBytes bytes{};
    bytes[0] = kModernVersion;
    bytes[1] = kModernAlgorithm;
    bytes[2] = kModernFlagByte;
    bytes[3] = kModernFlagByte;
    std::copy(kModernMagic.begin(), kModernMagic.end(), bytes.begin() + kModernMagicOffset);
    bytes[kModernKdfOffset] = kModernKdfArgon2id;
    bytes[kModernPassesOffset] = cost.passes;
    bytes[kModernLanesOffset] = cost.lanes;
    bytes[kModernMemoryOffset] = cost.log2MemoryKiB;
    std::copy(salt.begin(), salt.end(), bytes.begin() + kModernSaltOffset);
    std::copy(wrappedKey.begin(), wrappedKey.end(), bytes.begin() + kWrappedKeyOffset);
    return bytes;
}

std::array<std::uint8_t, kHeaderAssociatedSize> HeaderAssociatedData(const ModernHeaderBytes& bytes) {
    std::array<std::uint8_t, kHeaderAssociatedSize> data{};
    std::copy_n(bytes.begin(), kWrappedKeyOffset, data.begin());
    std::copy(bytes.begin() + kModernReservedOffset, bytes.end(), data.begin() + kWrappedKeyOffset);
    return data;
}

bool CostInRange(const ModernCost& cost) {
    return cost.passes >= kMinPasses && cost.passes <= kMaxPasses && cost.lanes >= kMinLanes &&
           cost.lanes <= kMaxLanes && cost.log2MemoryKiB >= kMinLog2MemoryKiB &&
           cost.log2MemoryKiB <= kMaxLog2MemoryKiB && cost.memoryKiB() >= 8u * cost.lanes;
}

std::optional<std::uint8_t> Log2MemoryKiBFromMiB(std::uint32_t mebibytes) {
    for (std::uint8_t log2 = kMinLog2MemoryKiB; log2 <= kMaxLog2MemoryKiB; ++log2) {
        if ((std::uint64_t{1} << log2) == std::uint64_t{mebibytes} * 1024) return log2;
    }
    return std::nullopt;
}

ParsedHeader ParseModernHeader(const ModernHeaderBytes& bytes) {
    const auto fault = [](HeaderFault::Kind kind, std::size_t offset) {
        return ParsedHeader{std::nullopt, HeaderFault{kind, offset}};
    };
    if (bytes[0] != kModernVersion) return fault(HeaderFault::Kind::NotVersion8, 0);
    if (bytes[1] != kModernAlgorithm) return fault(HeaderFault::Kind::Malformed, 1);
    if (bytes[2] != kModernFlagByte) return fault(HeaderFault::Kind::Malformed, 2);
    if (bytes[3] != kModernFlagByte) return fault(HeaderFault::Kind::Malformed, 3);
    for (std::size_t i = 0; i < kModernMagic.size(); ++i) {
        if (bytes[kModernMagicOffset + i] != kModernMagic[i]) return fault(HeaderFault::Kind::Malformed, kModernMagicOffset + i);
    }
    if (bytes[kModernKdfOffset] != kModernKdfArgon2id) return fault(HeaderFault::Kind::Malformed, kModernKdfOffset);
    ModernHeader header;
    header.cost = {bytes[kModernPassesOffset], bytes[kModernLanesOffset], bytes[kModernMemoryOffset]};
    const ModernCost& cost = header.cost;
    if (cost.passes < kMinPasses || cost.passes > kMaxPasses) {
        return fault(HeaderFault::Kind::CostOutOfRange, kModernPassesOffset);
    }
    if (cost.lanes < kMinLanes || cost.lanes > kMaxLanes) {
        return fault(HeaderFault::Kind::CostOutOfRange, kModernLanesOffset);
    }
    if (!CostInRange(cost)) return fault(HeaderFault::Kind::CostOutOfRange, kModernMemoryOffset);
    for (std::size_t i = kModernReservedOffset; i < kModernHeaderSize; ++i) {
        if (bytes[i] != 0) return fault(HeaderFault::Kind::Malformed, i);
    }
    std::copy_n(bytes.begin() + kModernSaltOffset, kModernSaltSize, header.salt.begin());
    std::copy_n(bytes.begin() + kWrappedKeyOffset, kWrappedKeySize, header.wrappedKey.begin());
    return {header, {}};
}

std::uint64_t ChunkCount(std::uint64_t size) { return size == 0 ? 1 : (size - 1) / kModernChunkSize + 1; }

std::uint64_t StoredDataLength(std::uint64_t size) { return size + kModernTagSize * ChunkCount(size); }

std::array<std::uint8_t, 12> ChunkNonce(std::uint64_t index, bool last) {
    std::array<std::uint8_t, 12> nonce{};
    // 11 bytes big-endian: the top three are zero for any 64-bit index.
    for (int i = 0; i < 8; ++i) nonce[10 - i] = static_cast<std::uint8_t>(index >> (8 * i));
    nonce[11] = last ? 1 : 0;
    return nonce;
}

namespace {

void PutItem(std::vector<std::uint8_t>& out, ItemType type, std::span<const std::uint8_t> value) {
    const std::size_t at = out.size();
    out.resize(at + kItemHeadSize + value.size());
    out[at] = static_cast<std::uint8_t>(type);
    PutU16(&out[at + 1], static_cast<std::uint16_t>(value.size()));
    std::copy(value.begin(), value.end(), out.begin() + static_cast<std::ptrdiff_t>(at + kItemHeadSize));
}

template <class T, std::size_t N>
void PutFixed(std::vector<std::uint8_t>& out, ItemType type, T value, void (*put)(std::uint8_t*, T)) {
    std::array<std::uint8_t, N> bytes{};
    put(bytes.data(), value);
    PutItem(out, type, bytes);
}

}  // namespace

std::vector<std::uint8_t> EncodeMetadata(const EntryMetadata& metadata) {
    std::vector<std::uint8_t> out;
    out.reserve(64 + metadata.name.size());
    const std::uint8_t kind = static_cast<std::uint8_t>(metadata.kind);
    PutItem(out, ItemType::Kind, std::span(&kind, 1));
    PutItem(out, ItemType::Name, std::span(reinterpret_cast<const std::uint8_t*>(metadata.name.data()),
                                           metadata.name.size()));
    if (metadata.kind == EntryKind::File) PutFixed<std::uint64_t, 8>(out, ItemType::Size, metadata.size, PutU64);
    if (metadata.time) {
        std::array<std::uint8_t, kTimeItemSize> time{};
        PutU64(time.data(), static_cast<std::uint64_t>(metadata.time->seconds));
        PutU32(time.data() + 8, metadata.time->nanoseconds);
        PutItem(out, ItemType::Time, time);
    }
    if (metadata.mode) PutFixed<std::uint32_t, 4>(out, ItemType::Mode, *metadata.mode, PutU32);
    if (metadata.attributes) PutFixed<std::uint32_t, 4>(out, ItemType::Attributes, *metadata.attributes, PutU32);
    return out;
}

DecodedMetadata DecodeMetadata(std::span<const std::uint8_t> bytes) {
    const DecodedMetadata malformed{};
    if (bytes.size() > kMaxMetadataSize) return malformed;
    EntryMetadata metadata;
    std::array<bool, 256> seen{};
    bool haveKind = false, haveName = false, haveSize = false;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < kItemHeadSize) return malformed;
        const std::uint8_t type = bytes[at];
        const std::size_t length = GetU16(&bytes[at + 1]);
        at += kItemHeadSize;
        if (bytes.size() - at < length) return malformed;
        if (seen[type]) return malformed;
        seen[type] = true;
        const auto value = bytes.subspan(at, length);
        at += length;
        switch (static_cast<ItemType>(type)) {
            case ItemType::Kind:
                if (length != 1 || value[0] > 1) return malformed;
                metadata.kind = static_cast<EntryKind>(value[0]);
                haveKind = true;
                break;
            case ItemType::Name:
                metadata.name.assign(reinterpret_cast<const char*>(value.data()), value.size());
                haveName = true;
                break;
            case ItemType::Size:
                if (length != 8) return malformed;
                metadata.size = GetU64(value.data());
                if (metadata.size > kMaxModernFileSize) return malformed;
                haveSize = true;
                break;
            case ItemType::Time: {
                if (length != kTimeItemSize) return malformed;
                const std::uint32_t nanoseconds = GetU32(value.data() + 8);
                if (nanoseconds >= kNanosecondsPerSecond) return malformed;
                metadata.time = ModernTime{static_cast<std::int64_t>(GetU64(value.data())), nanoseconds};
                break;
            }
            case ItemType::Mode:
                if (length != 4) return malformed;
                metadata.mode = GetU32(value.data()) & kModeBitsMask;
                break;
            case ItemType::Attributes:
                if (length != 4) return malformed;
                metadata.attributes = GetU32(value.data());
                break;
            default:
                if (type >= kFirstCriticalItemType && !metadata.unknownCritical) metadata.unknownCritical = type;
                break;
        }
    }
    if (!haveKind || !haveName) return malformed;
    // A file's size says how far its data reach; a folder has none.
    if (metadata.kind == EntryKind::File && !haveSize) return malformed;
    if (metadata.kind == EntryKind::Folder && metadata.size != 0) return malformed;
    return {std::move(metadata), MetadataFault::None};
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t extra = 0;
        std::uint32_t point = 0, minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, point = lead & 0x1Fu, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, point = lead & 0x0Fu, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, point = lead & 0x07u, minimum = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            point = (point << 6) | (next & 0x3Fu);
        }
        if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

bool IsValidModernName(const std::string& name) {
    if (name.empty() || name.size() > kMaxModernNameBytes) return false;
    if (!IsValidUtf8(name) || !IsSafeEntryName(name)) return false;
    return name.find("\\\\") == std::string::npos;  // no empty component
}

std::array<std::uint8_t, kEndPlainSize> EncodeEndTotals(std::uint64_t entries, std::uint64_t fileBytes) {
    std::array<std::uint8_t, kEndPlainSize> bytes{};
    PutU64(bytes.data(), entries);
    PutU64(bytes.data() + 8, fileBytes);
    return bytes;
}

void DecodeEndTotals(std::span<const std::uint8_t, kEndPlainSize> bytes, std::uint64_t& entries,
                     std::uint64_t& fileBytes) {
    entries = GetU64(bytes.data());
    fileBytes = GetU64(bytes.data() + 8);
}

}  // namespace pelorin::archive
