#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "archive/ModernFormat.h"
#include "cipher/ParallelRunner.h"
#include "cipher/SecureBuffer.h"

// The keys of a version-8 archive:
//   KEK       = Argon2id(passkey, archive salt, t, p, 2^m KiB), 32 bytes
//   file key  = 32 random bytes, sealed under the KEK in the header
//   meta key  = BLAKE2b-256(file key; "pelorin-v8 meta" || u64(i) || entry salt)
//   data key  = BLAKE2b-256(file key; "pelorin-v8 data" || u64(i) || entry salt)
//   end key   = BLAKE2b-256(file key; "pelorin-v8 end")
// Every key lives in a SecureBuffer (locked, scrubbed with kKeyScrubPasses).
namespace pelorin::archive {

// Called after each slice of the derivation (see Argon2Progress); it may
// throw to stop it (a confirmed cancel).
using DerivationProgress = std::function<void(std::uint32_t done, std::uint32_t total)>;

// The KEK of an archive. Throws Argon2MemoryError (with the bytes asked for)
// when the memory cannot be had, or is more than the machine has; the cost must be in range (checked when the
// header was parsed).
SecureBuffer DeriveKek(std::span<const std::uint8_t> passkey, const ModernSalt& salt, const ModernCost& cost,
                       ParallelRunner& lanes, const DerivationProgress& progress = {});

// Seals the file key into header.wrappedKey, the rest of the header being
// as it will be written.
void WrapFileKey(std::span<const std::uint8_t> kek, std::span<const std::uint8_t> fileKey, ModernHeader& header);

// Opens the wrapped file key of a header; false (and `fileKey` zeros) when
// the tag fails: another passkey, or a changed header.
bool UnwrapFileKey(std::span<const std::uint8_t> kek, const ModernHeader& header, SecureBuffer& fileKey);

struct EntryKeys {
    SecureBuffer meta;
    SecureBuffer data;
};
EntryKeys DeriveEntryKeys(std::span<const std::uint8_t> fileKey, std::uint64_t index, const EntrySaltV8& salt);
SecureBuffer DeriveEndKey(std::span<const std::uint8_t> fileKey);

// A key held in a SecureBuffer, as the AEAD takes it.
std::span<const std::uint8_t, 32> KeyOf(const SecureBuffer& key);

}  // namespace pelorin::archive
