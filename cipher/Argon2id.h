#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <span>
#include <string>

#include "cipher/ParallelRunner.h"

namespace pelorin {

// Argon2id, version 0x13, as published in RFC 9106: a memory-hard key
// derivation. The memory is a matrix of 1 KiB blocks, `lanes` rows of
// 4 slices each; every pass fills it slice by slice, the lanes of a slice
// side by side through the ParallelRunner it is given. The first half of the
// first pass picks its reference blocks independently of the data, the rest
// from the data (by design: those memory accesses depend on the secret; all
// hashing around them does not branch on it).
//
// The compression runs in one of two variants with identical results:
// Portable (plain C++) and Avx2 (four 64-bit words per register), chosen
// once when the program loads, like ChaCha20's (see ChaCha20.h).
//
// Secrets: the password, secret, associated data and the tag live in the
// caller's memory (the tag in a SecureBuffer / LockedBlocks). The block
// memory is far too large to lock: it is allocated untouched (pages are
// only used as the passes reach them), and every block that was written is
// overwritten with zeros before the function returns, also when a task or
// the progress callback throws. The pre-hash, the seeds and the lanes'
// scratch blocks are overwritten as well, and so is the stack each lane task
// and the calling thread used.
//
// Use (the archive reader, after checking the header's ranges):
//
//     const Argon2Cost cost{passes, std::uint32_t{1} << log2MemoryKiB, lanes};
//     SecureBuffer kek(32, kKeyScrubPasses);
//     try {
//         Argon2id({passkey, salt}, cost, kek.bytes(), archive::JobWorkers(), progress);
//     } catch (const Argon2MemoryError& error) {
//         ... error.bytes() is what the archive asks for ...
//     }
//
// The runner is asked 4 * passes times to run `lanes` tasks side by side.

struct Argon2Cost {
    std::uint32_t passes = 0;     // t, at least 1
    std::uint32_t memoryKiB = 0;  // m, at least 8 * lanes
    std::uint32_t lanes = 0;      // p, 1 .. 2^24 - 1
};

struct Argon2Inputs {
    std::span<const std::uint8_t> password;
    std::span<const std::uint8_t> salt;            // at least 8 bytes
    std::span<const std::uint8_t> secret;          // optional (K), may be empty
    std::span<const std::uint8_t> associatedData;  // optional (X), may be empty
};

inline constexpr std::uint32_t kArgon2Version = 0x13;
inline constexpr std::size_t kArgon2MinSaltSize = 8;
inline constexpr std::size_t kArgon2MinTagSize = 4;
inline constexpr std::uint32_t kArgon2MaxLanes = (1u << 24) - 1;

// The block memory could not be had. bytes() is what the cost asks for, so
// that a reader can say how much memory an archive needs.
class Argon2MemoryError : public std::bad_alloc {
public:
    explicit Argon2MemoryError(std::uint64_t bytes);
    std::uint64_t bytes() const { return bytes_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::uint64_t bytes_;
    std::string message_;
};

// Called on the calling thread after each slice (4 per pass) with the
// slices done and the total; it may throw to stop the derivation (the
// memory is wiped on the way out).
using Argon2Progress = std::function<void(std::uint32_t slicesDone, std::uint32_t slicesTotal)>;

// The bytes of block memory the cost takes: 1 KiB times memoryKiB rounded
// down to a multiple of 4 * lanes. Throws std::invalid_argument for a cost
// outside the limits above.
std::uint64_t Argon2MemoryBytes(const Argon2Cost& cost);

// Writes the tag (tag.size() bytes, at least 4) for the inputs and cost.
// Throws std::invalid_argument for a cost, salt or tag outside the limits or
// an input longer than 2^32 - 1 bytes, Argon2MemoryError when the memory
// cannot be allocated, and what a lane task or the progress callback throws.
void Argon2id(const Argon2Inputs& inputs, const Argon2Cost& cost, std::span<std::uint8_t> tag, ParallelRunner& lanes,
              const Argon2Progress& progress = {});

enum class Argon2Variant { Portable, Avx2 };

// The variants this build runs on this processor, Portable first and the
// one Argon2id uses last.
std::span<const Argon2Variant> SupportedArgon2Variants();
const char* Argon2VariantName(Argon2Variant variant);  // "portable", "avx2"

// The same through the given variant, for tests and benchmarks. Throws
// std::invalid_argument when the variant is not supported here.
void Argon2id(Argon2Variant variant, const Argon2Inputs& inputs, const Argon2Cost& cost, std::span<std::uint8_t> tag,
              ParallelRunner& lanes, const Argon2Progress& progress = {});

}  // namespace pelorin
