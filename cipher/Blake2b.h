#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pelorin {

// BLAKE2b as published in RFC 7693: digests of 1 to 64 bytes, optionally
// keyed with 1 to 64 bytes (the keyed form is a MAC and a key-derivation
// function: the archive's entry keys are BLAKE2b-256 keyed with the file
// key). Incremental: the message may be given in any number of pieces of
// any size, so "label || u64(i) || salt" can be fed in parts without a copy.
//
//     Blake2b mac(32, fileKey);
//     mac.Update(label).Update(index).Update(salt);
//     mac.Final(entryKey);            // 32 bytes
//
// Secrets: the object holds the chaining value (key-dependent when keyed)
// and up to one block of message (the key itself at first). Keep it on the
// stack of one computation; Final and the destructor overwrite it, and
// Update and Final overwrite the stack their compression rounds used. The
// caller keeps the key and the digest in locked memory. Nothing branches on
// the key or the data; the message word order of each round is fixed.
class Blake2b {
public:
    static constexpr std::size_t kBlockSize = 128;
    static constexpr std::size_t kMaxDigestSize = 64;
    static constexpr std::size_t kMaxKeySize = 64;

    // Throws std::invalid_argument when digestSize is not 1..64 or the key
    // is longer than 64 bytes (an empty key means unkeyed).
    explicit Blake2b(std::size_t digestSize, std::span<const std::uint8_t> key = {});
    ~Blake2b();
    Blake2b(const Blake2b&) = delete;
    Blake2b& operator=(const Blake2b&) = delete;

    Blake2b& Update(std::span<const std::uint8_t> data);

    // Writes the digest (digest.size() must be the digest size given to the
    // constructor, else std::invalid_argument) and overwrites the state.
    // Throws std::logic_error when called a second time or after it.
    void Final(std::span<std::uint8_t> digest);

    std::size_t digestSize() const { return digestSize_; }

private:
    void Compress(const std::uint8_t* block, bool last);

    std::uint64_t h_[8];
    std::uint64_t counter_[2] = {0, 0};
    std::uint8_t buffer_[kBlockSize] = {};
    std::size_t buffered_ = 0;
    std::size_t digestSize_;
    bool finished_ = false;
};

// The digest of `data` in one call: digest.size() bytes (1..64), keyed with
// `key` when it is not empty.
void Blake2bDigest(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data, std::span<std::uint8_t> digest);

}  // namespace pelorin
