#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "cipher/Algorithm.h"
#include "cipher/CipherKey.h"
#include "cipher/PasskeyCheck.h"
#include "cipher/Piece.h"

// The byte layout of a .pvb archive:
//
//   ArchiveHeader           128 bytes: version, algorithm, encryptedHeaders,
//                           hashedPasskey, 124 reserved zero bytes
//   archive salt            8 bytes   (version >= 4)
//   passkey check value     20 bytes  (version >= 4)
//   entries until the end of the file, each:
//     nameLength            header item: 4 bytes signed little-endian from
//                           version 6, 2 bytes unsigned big-endian before
//     name                  header item: the stored path, backslashes
//     size                  header item: 4 bytes big-endian, low 32 bits
//     entry salt            8 bytes, always plain
//     data                  a piece of `size` bytes enciphered with the
//                           archive's algorithm under the entry key
//
// A header item is stored plain, or, when encryptedHeaders is 1, as a piece
// through the header cipher (a fresh Pseudo-RC4 stream keyed by the passkey
// as typed for every item). No magic, no count, no index, no trailer.
namespace pelorin::archive {

inline constexpr std::size_t kArchiveHeaderSize = 128;
inline constexpr std::uint8_t kCurrentVersion = 7;
inline constexpr std::uint8_t kFirstVersionWithCheck = 4;
inline constexpr std::uint8_t kFirstVersionWithWideNameLength = 6;
inline constexpr std::uint8_t kFirstVersionWithCurrentKeystream = 7;
inline constexpr std::size_t kSizeFieldLength = 4;
inline constexpr std::size_t kWideNameLengthLength = 4;
inline constexpr std::size_t kNarrowNameLengthLength = 2;
inline constexpr std::uint8_t kEncryptedHeadersOn = 1;
inline constexpr std::uint8_t kHashedPasskeyOn = 1;

// Entries must stay below 2^31 bytes: the size field has 32 bits and readers
// treat sizes as signed.
inline constexpr std::uint64_t kMaxEntrySize = 0x7FFFFFFFull;

// No stored name is longer than the longest path Windows accepts; a longer
// name length marks a damaged archive rather than a name to allocate.
inline constexpr std::int64_t kMaxStoredNameLength = 32767;

struct ArchiveHeader {
    std::uint8_t version = kCurrentVersion;
    std::uint8_t algorithm = 0;
    std::uint8_t encryptedHeaders = kEncryptedHeadersOn;
    std::uint8_t hashedPasskey = kHashedPasskeyOn;

    std::array<std::uint8_t, kArchiveHeaderSize> Serialize() const;
    static ArchiveHeader Parse(std::span<const std::uint8_t, kArchiveHeaderSize> bytes);
};

using ArchiveSalt = std::array<std::uint8_t, kArchiveSaltSize>;

// Rules that depend on the version byte. Versions above 7 are read as 7
// (after the reader's warning).
inline bool HasPasskeyCheck(std::uint8_t version) { return version >= kFirstVersionWithCheck; }
inline std::size_t NameLengthFieldLength(std::uint8_t version) {
    return version >= kFirstVersionWithWideNameLength ? kWideNameLengthLength : kNarrowNameLengthLength;
}
inline KeystreamVariant HeaderKeystream(std::uint8_t version) {
    return version >= kFirstVersionWithCurrentKeystream ? KeystreamVariant::Current : KeystreamVariant::Legacy;
}
// The header byte a setting gives: its low byte, as the writer has always
// stored it. The writer then follows the byte, not the setting, so that the
// entries agree with the header whatever the setting holds.
inline std::uint8_t HeaderFlagOf(std::uint32_t setting) { return static_cast<std::uint8_t>(setting & 0xFF); }

inline bool HeadersEncrypted(const ArchiveHeader& header) { return header.encryptedHeaders == kEncryptedHeadersOn; }
inline PasskeyHashing EntryHashing(const ArchiveHeader& header) {
    return header.hashedPasskey == kHashedPasskeyOn ? PasskeyHashing::On : PasskeyHashing::Off;
}

// Where the first entry starts.
inline std::size_t FirstEntryOffset(std::uint8_t version) {
    return kArchiveHeaderSize + (HasPasskeyCheck(version) ? kArchiveSaltSize + kSha1DigestSize : 0);
}

// Bytes a header item of n plain bytes occupies.
inline std::uint64_t StoredItemLength(std::uint64_t n, bool encrypted) {
    return encrypted ? StoredPieceLength(n) : n;
}

// True when the passkey is long enough for the algorithm's cipher as an
// entry uses it: hashed keys (20 bytes) always are; an unhashed key has the
// passkey's length. Unknown algorithms read no key.
bool PasskeyLongEnough(int algorithm, PasskeyHashing hashing, std::size_t passkeyLength);

// Field encodings.
std::array<std::uint8_t, kSizeFieldLength> EncodeSizeField(std::uint64_t size);
std::uint32_t DecodeSizeField(std::span<const std::uint8_t, kSizeFieldLength> bytes);
// Version 6 and later: 4 bytes signed little-endian; before: 2 bytes unsigned big-endian.
std::array<std::uint8_t, kWideNameLengthLength> EncodeNameLength(std::int32_t length);
std::int64_t DecodeNameLength(std::span<const std::uint8_t> bytes, std::uint8_t version);

}  // namespace pelorin::archive
