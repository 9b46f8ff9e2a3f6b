#include "cipher/SecureBuffer.h"

#include <algorithm>
#include <utility>

#include "cipher/Scramble.h"
#include "cipher/LockedBlocks.h"

namespace pelorin {

SecureBuffer::SecureBuffer(std::size_t size, int scrubPasses)
    : bytes_(TakeLockedBlock(size)), size_(size), scrubPasses_(scrubPasses) {}

SecureBuffer::SecureBuffer(std::span<const std::uint8_t> content, int scrubPasses)
    : SecureBuffer(content.size(), scrubPasses) {
    std::copy(content.begin(), content.end(), bytes_);
}

SecureBuffer::~SecureBuffer() { Release(); }

SecureBuffer::SecureBuffer(SecureBuffer&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      scrubPasses_(other.scrubPasses_) {}

SecureBuffer& SecureBuffer::operator=(SecureBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        bytes_ = std::exchange(other.bytes_, nullptr);
        size_ = std::exchange(other.size_, 0);
        scrubPasses_ = other.scrubPasses_;
    }
    return *this;
}

void SecureBuffer::Scrub() { ScrambleBuffer(bytes_, size_, scrubPasses_); }

void SecureBuffer::Release() {
    if (!bytes_) return;
    Scrub();
    GiveBackLockedBlock(std::exchange(bytes_, nullptr), std::exchange(size_, 0));
}

}  // namespace pelorin
