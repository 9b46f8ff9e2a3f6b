#include "cipher/SecureBuffer.h"

#include <algorithm>
#include <utility>

#include "cipher/Scramble.h"
#include "platform/Memory.h"

namespace pelorin {

SecureBuffer::SecureBuffer(std::size_t size, int scrubPasses)
    : bytes_(size == 0 ? nullptr : new std::uint8_t[size]()), size_(size), scrubPasses_(scrubPasses) {
    platform::LockMemory(bytes_.get(), size_);
}

SecureBuffer::SecureBuffer(std::span<const std::uint8_t> content, int scrubPasses)
    : SecureBuffer(content.size(), scrubPasses) {
    std::copy(content.begin(), content.end(), bytes_.get());
}

SecureBuffer::~SecureBuffer() { Release(); }

SecureBuffer::SecureBuffer(SecureBuffer&& other) noexcept
    : bytes_(std::move(other.bytes_)),
      size_(std::exchange(other.size_, 0)),
      scrubPasses_(other.scrubPasses_) {}

SecureBuffer& SecureBuffer::operator=(SecureBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
        scrubPasses_ = other.scrubPasses_;
    }
    return *this;
}

void SecureBuffer::Scrub() { ScrambleBuffer(bytes_.get(), size_, scrubPasses_); }

void SecureBuffer::Release() {
    if (!bytes_) return;
    Scrub();
    platform::UnlockMemory(bytes_.get(), size_);
    bytes_.reset();
    size_ = 0;
}

}  // namespace pelorin
