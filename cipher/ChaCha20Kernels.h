#pragma once

// The block loops behind ChaCha20Xor, one per variant (see ChaCha20.h).
// Internal to cipher/.

#include <cstddef>
#include <cstdint>

#include "cipher/ChaCha20.h"
#include "cipher/Poly1305Core.h"
#include "cipher/VectorVariants.h"


namespace pelorin::chacha20 {

inline constexpr std::uint32_t kSigma[4] = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};

// Each loop XORs `blocks` whole keystream blocks into `in`, writes them to
// `out` (the same place or not overlapping) and advances state[12], the
// block counter, by `blocks`. `state` is the 16-word input of the block
// function. A vector loop hands what is left after its groups to the next
// narrower loop.
void XorBlocksPortable(std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
#ifdef PELORIN_VECTOR_VARIANTS
void XorBlocksSse2(std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
void XorBlocksAvx2(std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);

// The AEAD's fused loops, for `groups` groups of eight blocks (512 bytes):
// ChaCha20 as XorBlocksAvx2 and, interleaved with its rounds, Poly1305 over
// the ciphertext (Seal: what it wrote, one group behind and the last group
// at the end; Open: what it reads, before it stores over it). `mac` must be
// at a block boundary with its powers ready.
void SealGroupsAvx2(std::uint32_t state[16], poly1305::State& mac, const std::uint8_t* in, std::uint8_t* out,
                    std::size_t groups);
void OpenGroupsAvx2(std::uint32_t state[16], poly1305::State& mac, const std::uint8_t* in, std::uint8_t* out,
                    std::size_t groups);
#endif

// The block function: the 16 output words for the 16 input words.
void BlockWords(const std::uint32_t state[16], std::uint32_t out[16]);

using XorBlocksLoop = void (*)(std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);

// The loop of a variant; throws std::invalid_argument when this processor
// does not support it.
XorBlocksLoop LoopOf(ChaCha20Variant variant);

// The block function's input for (key, nonce, counter).
void SetUpState(std::uint32_t state[16], ChaCha20Key key, ChaCha20Nonce nonce, std::uint32_t counter);

// XORs the keystream from state[12] on into `length` bytes, whole blocks
// through `loop`, a partial last block through the portable code, and
// advances state[12]. The caller scrubs `state` and the stack afterwards.
void XorStream(XorBlocksLoop loop, std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out,
               std::size_t length);

// True when the two ranges share bytes without starting at the same place:
// the one overlap the stream and AEAD functions refuse.
inline bool OverlapsOutOfPlace(const std::uint8_t* a, std::size_t aSize, const std::uint8_t* b, std::size_t bSize) {
    if (a == b || aSize == 0 || bSize == 0) return false;
    const auto first = reinterpret_cast<std::uintptr_t>(a);
    const auto second = reinterpret_cast<std::uintptr_t>(b);
    return first < second + bSize && second < first + aSize;
}

}  // namespace pelorin::chacha20
