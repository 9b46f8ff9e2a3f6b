#pragma once

// The 1 KiB block of Argon2 and its compression function G (RFC 9106
// sections 3.5 and 3.6). Internal to cipher/.

#include <cstddef>
#include <cstdint>

#include "cipher/VectorVariants.h"

namespace pelorin::argon2 {

inline constexpr std::size_t kBlockWords = 128;
inline constexpr std::size_t kBlockSize = kBlockWords * 8;

struct alignas(64) Block {
    std::uint64_t v[kBlockWords];
};

// The working blocks of one compression: R = X xor Y and the permuted Q.
// They hold secrets; their owner overwrites them when done.
struct Scratch {
    Block r;
    Block q;
};

// out = G(x, y), or out ^= G(x, y) when `xorInto` (the passes after the
// first). out may be x or y. One function per variant, identical results.
using Compression = void (*)(const Block& x, const Block& y, Block& out, bool xorInto, Scratch& scratch);
void CompressPortable(const Block& x, const Block& y, Block& out, bool xorInto, Scratch& scratch);
#ifdef PELORIN_VECTOR_VARIANTS
void CompressAvx2(const Block& x, const Block& y, Block& out, bool xorInto, Scratch& scratch);
#endif

}  // namespace pelorin::argon2
