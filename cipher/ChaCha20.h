#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pelorin {

// ChaCha20 as published in RFC 8439: a 256-bit key, a 96-bit nonce and a
// 32-bit block counter; each counter value gives 64 bytes of keystream.
//
// The keystream is made by one of several variants of the same code, all of
// which give identical bytes:
//   Portable  one block at a time, plain C++, every machine;
//   Sse2      four blocks side by side in 128-bit registers (x86-64);
//   Avx2      eight blocks side by side in 256-bit registers (x86-64 with
//             AVX2); the remainder of a call goes through the narrower ones.
// The variant is chosen once when the program is loaded, from what the
// processor offers (see VectorVariants.h; the same condition as the scrub
// generator's lanes); builds without the loader's per-processor choice
// (the Windows build, other processors) have and run Portable only.
//
// Secrets: the key is read from the caller's memory (keep it in a
// SecureBuffer / LockedBlocks) and never copied anywhere but the working
// state on the stack of the call: the block function's input, a keystream
// block kept for a partial tail, and what the block loops spill from their
// registers. All of it is overwritten before the call returns
// (ScrubWorkingState, ScrubCallStack). The code has no branch and no table
// index that depends on the key, the nonce or the data; only lengths decide
// what runs.

inline constexpr std::size_t kChaCha20KeySize = 32;
inline constexpr std::size_t kChaCha20NonceSize = 12;
inline constexpr std::size_t kChaCha20BlockSize = 64;

using ChaCha20Key = std::span<const std::uint8_t, kChaCha20KeySize>;
using ChaCha20Nonce = std::span<const std::uint8_t, kChaCha20NonceSize>;

enum class ChaCha20Variant { Portable, Sse2, Avx2 };

// The variants this build can run on this processor, Portable first and the
// widest last.
std::span<const ChaCha20Variant> SupportedChaCha20Variants();

// The variant ChaCha20Xor uses: the widest supported one.
ChaCha20Variant ChosenChaCha20Variant();

// "portable", "sse2", "avx2" (for test and benchmark names).
const char* ChaCha20VariantName(ChaCha20Variant variant);

// XORs the keystream, from block `counter` on, into `in` and writes the
// result to `out`, which has the same size and either is `in` (in place) or
// does not overlap it. The keystream of one call continues block after block,
// so a message cut at multiples of 64 bytes gives the same result with the
// counter advanced by the blocks already done.
// Throws std::invalid_argument when the sizes differ and std::length_error
// when the data would need the 32-bit counter to wrap (more than
// (2^32 - counter) blocks).
void ChaCha20Xor(ChaCha20Key key, ChaCha20Nonce nonce, std::uint32_t counter, std::span<const std::uint8_t> in,
                 std::span<std::uint8_t> out);

// The same through the given variant, for tests and benchmarks. Throws
// std::invalid_argument when the variant is not supported here.
void ChaCha20Xor(ChaCha20Variant variant, ChaCha20Key key, ChaCha20Nonce nonce, std::uint32_t counter,
                 std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

// One 64-byte keystream block (the block function of RFC 8439 section 2.3,
// serialised), written to `block` (which may be locked memory).
void ChaCha20Block(ChaCha20Key key, ChaCha20Nonce nonce, std::uint32_t counter,
                   std::span<std::uint8_t, kChaCha20BlockSize> block);

}  // namespace pelorin
