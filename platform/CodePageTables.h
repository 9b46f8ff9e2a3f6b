#pragma once

#include <cstddef>

// The single-byte Windows code pages, which the Linux tool converts by
// table: bytes below 0x80 are ASCII in each of them; `upper` holds the
// characters of the bytes 0x80..0xFF.
namespace pelorin::platform {

struct SingleByteCodePage {
    unsigned number;
    char16_t upper[128];
};

inline constexpr std::size_t kSingleByteCodePageCount = 10;
extern const SingleByteCodePage kSingleByteCodePages[kSingleByteCodePageCount];

// Nothing (null) for a code page that is not among them.
const SingleByteCodePage* FindSingleByteCodePage(unsigned number);

}  // namespace pelorin::platform
