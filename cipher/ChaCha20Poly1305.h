#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "cipher/ChaCha20.h"
#include "cipher/Poly1305.h"

namespace pelorin {

// The ChaCha20-Poly1305 AEAD of RFC 8439 section 2.8: the Poly1305 key is
// the first 32 bytes of ChaCha20 block 0 under (key, nonce); the data is
// enciphered from block 1 on; the tag authenticates
//   associated data, zeros to a multiple of 16,
//   ciphertext, zeros to a multiple of 16,
//   u64 length of the associated data, u64 length of the ciphertext.
// A sealed message is the ciphertext followed by the 16-byte tag.
//
// The functions allocate nothing and are safe to call from several threads
// at once (each call keeps its state on its own stack), so an engine can
// seal or open 64 KiB chunks side by side in caller-provided buffers.
//
// In place: `sealed` may start where `plaintext` starts (Seal reads each
// 64-byte block before it writes it; the buffer needs 16 more bytes for the
// tag), and `plaintext` may start where `sealed` starts (Open). Any other
// overlap is refused.
//
// Secrets: the key is read from the caller's memory (a SecureBuffer or
// LockedBlocks). The Poly1305 key, the authenticator state and the
// keystream are working state on the call's stack, overwritten before it
// returns. Both directions make one pass over the data: 4 KiB stretches
// enciphered and authenticated in turn, or, in the AVX2 variant, 512-byte
// groups whose Poly1305 multiplications run inside the ChaCha20 rounds. Open
// compares the tags in constant time at the end; when they differ it
// overwrites `plaintext` with zeros before it returns false (in place: the
// ciphertext is gone too), so a caller never sees a byte of plaintext from
// a message that failed. Nothing branches on the key, the data or the tag
// bytes; only lengths decide what runs.
//
// Limits: at most kChaCha20Poly1305MaxPlaintext bytes per message (the
// 32-bit block counter), and a nonce must never be used twice with one key.

inline constexpr std::size_t kChaCha20Poly1305KeySize = kChaCha20KeySize;
inline constexpr std::size_t kChaCha20Poly1305NonceSize = kChaCha20NonceSize;
inline constexpr std::size_t kChaCha20Poly1305TagSize = Poly1305::kTagSize;
inline constexpr std::uint64_t kChaCha20Poly1305MaxPlaintext = ((std::uint64_t{1} << 32) - 1) * kChaCha20BlockSize;

// Writes plaintext.size() + kChaCha20Poly1305TagSize bytes to `sealed`.
// Throws std::invalid_argument when `sealed` has another size or the buffers
// overlap other than in place, std::length_error above the size limit.
void ChaCha20Poly1305Seal(ChaCha20Key key, ChaCha20Nonce nonce, std::span<const std::uint8_t> associatedData,
                          std::span<const std::uint8_t> plaintext, std::span<std::uint8_t> sealed);

// Checks the tag at the end of `sealed` and, when it matches, deciphers the
// rest into `plaintext` (sealed.size() - kChaCha20Poly1305TagSize bytes) and
// returns true. Returns false when the tag does not match or `sealed` is
// shorter than a tag, with `plaintext` all zeros. Throws
// std::invalid_argument when `plaintext` has another size or the buffers
// overlap other than in place.
[[nodiscard]] bool ChaCha20Poly1305Open(ChaCha20Key key, ChaCha20Nonce nonce,
                                        std::span<const std::uint8_t> associatedData,
                                        std::span<const std::uint8_t> sealed, std::span<std::uint8_t> plaintext);

// The same through the given ChaCha20 variant (see ChaCha20.h), for tests
// and benchmarks.
void ChaCha20Poly1305Seal(ChaCha20Variant variant, ChaCha20Key key, ChaCha20Nonce nonce,
                          std::span<const std::uint8_t> associatedData, std::span<const std::uint8_t> plaintext,
                          std::span<std::uint8_t> sealed);
[[nodiscard]] bool ChaCha20Poly1305Open(ChaCha20Variant variant, ChaCha20Key key, ChaCha20Nonce nonce,
                                        std::span<const std::uint8_t> associatedData,
                                        std::span<const std::uint8_t> sealed, std::span<std::uint8_t> plaintext);

}  // namespace pelorin
