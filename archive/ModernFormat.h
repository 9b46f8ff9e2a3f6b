#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cipher/CipherKey.h"

// The byte layout of a version-8 archive (algorithm 9, ChaCha20-Poly1305):
//
//   header (128 bytes)
//     0   version 8, algorithm 9, 1, 1
//     4   "PELORIN8"
//     12  key derivation 1 (Argon2id v0x13), passes t, lanes p,
//         log2 of the memory in KiB
//     16  archive salt (16 bytes)
//     32  wrapped file key: the file key sealed under the KEK with a zero
//         nonce, the header's other bytes (0..31 and 80..127) as associated
//         data, so that every header byte is authenticated (48 bytes)
//     80  48 zero bytes
//   records until the end record:
//     0x01  entry: salt (16), M (u32), sealed metadata (M bytes), then for
//           a file its data in 64 KiB chunks, each sealed (plus 16 bytes)
//     0x02  end: sealed u64 entry count || u64 sum of the file sizes (32 bytes)
//
// Integers are little-endian except the chunk nonce (the chunk number is
// big-endian, followed by 0x01 for a file's last chunk, else 0x00).
namespace pelorin::archive {

inline constexpr std::uint8_t kModernVersion = 8;
inline constexpr std::uint8_t kModernAlgorithm = 9;
inline constexpr std::uint8_t kModernFlagByte = 1;  // bytes 2 and 3: names enciphered, always
inline constexpr std::array<std::uint8_t, 8> kModernMagic = {'P', 'E', 'L', 'O', 'R', 'I', 'N', '8'};
inline constexpr std::uint8_t kModernKdfArgon2id = 1;

inline constexpr std::size_t kModernHeaderSize = 128;
inline constexpr std::size_t kModernMagicOffset = 4;
inline constexpr std::size_t kModernKdfOffset = 12;
inline constexpr std::size_t kModernPassesOffset = 13;
inline constexpr std::size_t kModernLanesOffset = 14;
inline constexpr std::size_t kModernMemoryOffset = 15;
inline constexpr std::size_t kModernSaltOffset = 16;
inline constexpr std::size_t kModernSaltSize = 16;
inline constexpr std::size_t kWrappedKeyOffset = 32;
inline constexpr std::size_t kFileKeySize = 32;
inline constexpr std::size_t kModernTagSize = 16;
inline constexpr std::size_t kWrappedKeySize = kFileKeySize + kModernTagSize;
inline constexpr std::size_t kModernReservedOffset = kWrappedKeyOffset + kWrappedKeySize;  // 80
inline constexpr std::size_t kHeaderAssociatedSize = kModernHeaderSize - kWrappedKeySize;  // 80

// The cost a header may ask for: a reader refuses anything else before it
// allocates, so that a hostile header cannot take the machine's memory or
// time.
inline constexpr std::uint8_t kMinPasses = 1, kMaxPasses = 10;
inline constexpr std::uint8_t kMinLanes = 1, kMaxLanes = 16;
inline constexpr std::uint8_t kMinLog2MemoryKiB = 13, kMaxLog2MemoryKiB = 22;  // 8 MiB .. 4 GiB

// What a writer uses unless a setting says otherwise.
inline constexpr std::uint8_t kWriterPasses = 3;
inline constexpr std::uint8_t kWriterLanes = 4;
inline constexpr std::uint8_t kDefaultLog2MemoryKiB = 18;  // 256 MiB

inline constexpr std::size_t kPasskeyMinBytes = 1;
inline constexpr std::size_t kPasskeyMaxBytes = kMaxModernPasskeyLength;

// Records.
inline constexpr std::uint8_t kEntryRecord = 0x01;
inline constexpr std::uint8_t kEndRecord = 0x02;
inline constexpr std::size_t kEntrySaltSizeV8 = 16;
inline constexpr std::size_t kMetadataLengthSize = 4;
inline constexpr std::size_t kMaxMetadataSize = 65536;
inline constexpr std::uint32_t kMinSealedMetadata = 24;
inline constexpr std::uint32_t kMaxSealedMetadata = kMaxMetadataSize + kModernTagSize;  // 65,552
inline constexpr std::size_t kEndPlainSize = 16;
inline constexpr std::size_t kEndRecordSize = 1 + kEndPlainSize + kModernTagSize;  // 33
inline constexpr std::size_t kEntryRecordHeadSize = 1 + kEntrySaltSizeV8 + kMetadataLengthSize;  // 21

// No file holds more than 2^62 bytes (no file system allows one); a larger
// size would make the stored length run past 2^64.
inline constexpr std::uint64_t kMaxModernFileSize = std::uint64_t{1} << 62;

// Chunks.
inline constexpr std::size_t kModernChunkSize = 65536;
inline constexpr std::size_t kSealedChunkSize = kModernChunkSize + kModernTagSize;

// Metadata items: type (1) || length (u16) || value.
enum class ItemType : std::uint8_t { Kind = 1, Name = 2, Size = 3, Time = 4, Mode = 5, Attributes = 6 };
inline constexpr std::uint8_t kFirstCriticalItemType = 0x80;
inline constexpr std::size_t kItemHeadSize = 3;
inline constexpr std::size_t kMaxModernNameBytes = 32767;
inline constexpr std::size_t kTimeItemSize = 12;
inline constexpr std::uint32_t kNanosecondsPerSecond = 1'000'000'000;
inline constexpr std::uint32_t kModeBitsMask = 07777;
// The Windows attributes an archive keeps: read-only, hidden, system, archive.
inline constexpr std::uint32_t kStoredAttributesMask = 0x1 | 0x2 | 0x4 | 0x20;
inline constexpr std::uint32_t kReadOnlyAttribute = 0x1;
inline constexpr std::uint32_t kHiddenAttribute = 0x2;

// The key labels (ASCII, no terminator).
inline constexpr std::string_view kMetaKeyLabel = "pelorin-v8 meta";
inline constexpr std::string_view kDataKeyLabel = "pelorin-v8 data";
inline constexpr std::string_view kEndKeyLabel = "pelorin-v8 end";

using ModernSalt = std::array<std::uint8_t, kModernSaltSize>;
using EntrySaltV8 = std::array<std::uint8_t, kEntrySaltSizeV8>;
using ModernHeaderBytes = std::array<std::uint8_t, kModernHeaderSize>;

struct ModernCost {
    std::uint8_t passes = kWriterPasses;
    std::uint8_t lanes = kWriterLanes;
    std::uint8_t log2MemoryKiB = kDefaultLog2MemoryKiB;

    std::uint64_t memoryKiB() const { return std::uint64_t{1} << log2MemoryKiB; }
    std::uint64_t memoryBytes() const { return memoryKiB() * 1024; }
};

struct ModernHeader {
    ModernCost cost;
    ModernSalt salt{};
    std::array<std::uint8_t, kWrappedKeySize> wrappedKey{};

    ModernHeaderBytes Serialize() const;
};

// The header's bytes outside the wrapped key, which it authenticates.
std::array<std::uint8_t, kHeaderAssociatedSize> HeaderAssociatedData(const ModernHeaderBytes& bytes);

// Why a header is not one a reader takes; `offset` is the first byte at fault.
struct HeaderFault {
    enum class Kind { NotVersion8, Malformed, CostOutOfRange } kind = Kind::Malformed;
    std::size_t offset = 0;
};

struct ParsedHeader {
    std::optional<ModernHeader> header;
    HeaderFault fault;
};

// Checks every field against its range before anything is allocated for it.
ParsedHeader ParseModernHeader(const ModernHeaderBytes& bytes);

// Whether a cost lies in the ranges above (also what a setting may ask for).
bool CostInRange(const ModernCost& cost);
// The memory setting in MiB (a power of two, 8..4096) as a header byte;
// nothing for another value.
std::optional<std::uint8_t> Log2MemoryKiBFromMiB(std::uint32_t mebibytes);

// Chunks of a file of `size` bytes: at least one (an empty file has one
// empty chunk), and the bytes its data take in the archive.
std::uint64_t ChunkCount(std::uint64_t size);
std::uint64_t StoredDataLength(std::uint64_t size);
std::array<std::uint8_t, 12> ChunkNonce(std::uint64_t index, bool last);

// What an entry's metadata holds.
enum class EntryKind : std::uint8_t { File = 0, Folder = 1 };
struct ModernTime {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;
    friend bool operator==(const ModernTime&, const ModernTime&) = default;
};
struct EntryMetadata {
    EntryKind kind = EntryKind::File;
    std::string name;  // UTF-8, components separated by '\'
    std::uint64_t size = 0;
    std::optional<ModernTime> time;
    std::optional<std::uint32_t> mode;
    std::optional<std::uint32_t> attributes;
    // The first item of a type from 0x80 up that this reader does not know:
    // the entry cannot be understood and is refused by its name.
    std::optional<std::uint8_t> unknownCritical;
};

// Items in the order kind, name, size (files only), time, mode, attributes.
std::vector<std::uint8_t> EncodeMetadata(const EntryMetadata& metadata);

// Why authenticated metadata cannot be taken: items that run past the end or
// repeat a type, a required item missing, a known item of the wrong length
// or value. The entry's stored length is then unknown, so the archive stops.
enum class MetadataFault { None, Malformed };
struct DecodedMetadata {
    std::optional<EntryMetadata> metadata;
    MetadataFault fault = MetadataFault::Malformed;
};
DecodedMetadata DecodeMetadata(std::span<const std::uint8_t> bytes);

// Whether the bytes are UTF-8 as the standard defines it (no overlong forms,
// no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// A name the format takes: 1..32,767 bytes of UTF-8 that make a relative
// path below the archive's folder (the classic names' rules).
bool IsValidModernName(const std::string& name);

// The end record's plaintext.
std::array<std::uint8_t, kEndPlainSize> EncodeEndTotals(std::uint64_t entries, std::uint64_t fileBytes);
void DecodeEndTotals(std::span<const std::uint8_t, kEndPlainSize> bytes, std::uint64_t& entries,
                     std::uint64_t& fileBytes);

// Little-endian integers.
void PutU16(std::uint8_t* out, std::uint16_t value);
void PutU32(std::uint8_t* out, std::uint32_t value);
void PutU64(std::uint8_t* out, std::uint64_t value);
std::uint16_t GetU16(const std::uint8_t* in);
std::uint32_t GetU32(const std::uint8_t* in);
std::uint64_t GetU64(const std::uint8_t* in);

}  // namespace pelorin::archive
