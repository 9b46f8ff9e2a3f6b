#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

// The names one program instance hands to another (see
// app_common/win32/InstanceGathering.h), as bytes: "PGN1", the count of
// names as a 32-bit little-endian number, then each name as its length (32
// bits, little-endian) and its UTF-8 bytes. A reader takes only what a
// writer can make: at most kMostHandedNames names of 1 to kMostNameBytes
// bytes each, valid UTF-8 without NUL (a Windows name's lone surrogate in
// its three-byte form, see platform/Utf8.h), nothing after the last name.
inline constexpr std::string_view kNameMessageMagic = "PGN1";
inline constexpr std::uint32_t kMostHandedNames = 100000;
inline constexpr std::uint32_t kMostNameBytes = 32768 * 3;
inline constexpr std::size_t kMostNameMessageBytes = 16 * 1024 * 1024;

std::string EncodeNameMessage(const std::vector<std::string>& names);

// The names, or nothing when the bytes are not such a message.
std::optional<std::vector<std::string>> DecodeNameMessage(std::string_view bytes);


}  // namespace pelorin
