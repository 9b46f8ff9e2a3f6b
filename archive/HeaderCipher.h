#pragma once

#include <cstdint>
#include <span>

#include "archive/Streams.h"
#include "cipher/Algorithm.h"

namespace pelorin::archive {

// The header cipher: each header item (name length, name, size) is one piece
// whose groups are XORed with a Pseudo-RC4 keystream keyed by the passkey as
// typed, set up afresh for every item. Archives before version 7 used the
// legacy keystream that restarts for every group.

// Writes `item` enciphered. False when the sink did not take every byte.
bool WriteEncryptedHeader(ByteSink& sink, std::span<const std::uint8_t> item, std::span<const std::uint8_t> passkey);

// Reads one enciphered item of out.size() bytes. False when the source ends
// (or fails) before the whole stored piece was read; `out` is then undefined.
bool ReadEncryptedHeader(ByteSource& source, std::span<std::uint8_t> out, std::span<const std::uint8_t> passkey,
                         KeystreamVariant variant);

// A header item as the archive stores it: enciphered when `encrypted`, plain
// otherwise.
bool WriteHeaderItem(ByteSink& sink, std::span<const std::uint8_t> item, bool encrypted,
                     std::span<const std::uint8_t> passkey);
bool ReadHeaderItem(ByteSource& source, std::span<std::uint8_t> out, bool encrypted,
                    std::span<const std::uint8_t> passkey, KeystreamVariant variant);

}  // namespace pelorin::archive
