#include "cipher/Passkey.h"

#include <algorithm>
#include <utility>

#include "cipher/Scramble.h"

namespace pelorin {

// One byte beyond the capacity stays zero, so that c_str() ends there.
Passkey::Passkey() : buffer_(kCapacity + 1, kKeyScrubPasses) {}

Passkey::Passkey(std::string_view text) : Passkey() { *this = text; }

Passkey& Passkey::operator=(std::string_view text) {
    Clear();
    const std::size_t length = std::min(text.size(), kCapacity);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(text.data()), length, buffer_.data());
    size_ = length;
    return *this;
}

// The passkey moved from holds no buffer any more (and is empty).
Passkey::Passkey(Passkey&& other) noexcept
    : buffer_(std::move(other.buffer_)), size_(std::exchange(other.size_, 0)) {}

Passkey& Passkey::operator=(Passkey&& other) noexcept {
    if (this != &other) {
        std::swap(buffer_, other.buffer_);
        std::swap(size_, other.size_);
        other.Clear();
    }
    return *this;
}

void Passkey::SetLength(std::size_t length) {
    size_ = std::min(length, kCapacity);
    // Whatever a reader left beyond the passkey goes.
    std::fill(buffer_.data() + size_, buffer_.data() + buffer_.size(), std::uint8_t{0});
}

void Passkey::CopyFrom(const Passkey& other) {
    if (this == &other) return;
    Clear();
    std::copy_n(other.buffer_.data(), other.size_, buffer_.data());
    size_ = other.size_;
}

void Passkey::Clear() {
    buffer_.Scrub();
    std::fill(buffer_.data(), buffer_.data() + buffer_.size(), std::uint8_t{0});
    size_ = 0;
}

bool Passkey::SameAs(const Passkey& other) const {
    if (buffer_.data() == nullptr || other.buffer_.data() == nullptr) return size_ == 0 && other.size_ == 0;
    std::uint8_t difference = size_ == other.size_ ? 0 : 1;
    for (std::size_t i = 0; i < kCapacity; ++i) {
        difference = static_cast<std::uint8_t>(difference | (buffer_.data()[i] ^ other.buffer_.data()[i]));
    }
    return difference == 0;
}

}  // namespace pelorin
