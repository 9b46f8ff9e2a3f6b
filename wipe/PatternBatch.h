#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <memory>
#include <new>

#include "platform/Memory.h"

namespace pelorin::wipe {

// The buffer a wipe writes from: one unit-sized pattern block repeated to
// about a megabyte, so that one write call covers many units. It starts on
// a page boundary (writes that bypass the system's cache need that) and
// stays in physical memory while in use.
class PatternBatch {
public:
    static constexpr std::size_t kAlignment = 4096;

    PatternBatch(std::size_t unit, std::size_t units)
        : unit_(unit), size_(unit * units), bytes_(new (std::align_val_t(kAlignment)) std::uint8_t[size_]()) {
        platform::LockMemory(bytes_.get(), size_);
    }
    ~PatternBatch() { platform::UnlockMemory(bytes_.get(), size_); }
    PatternBatch(const PatternBatch&) = delete;
    PatternBatch& operator=(const PatternBatch&) = delete;

    // The first unit, which a pass fills with its pattern.
    std::span<std::uint8_t> block() { return {bytes_.get(), unit_}; }
    // Copies the first unit over the others.
    void Repeat() {
        for (std::size_t at = unit_; at < size_; at += unit_) std::copy_n(bytes_.get(), unit_, bytes_.get() + at);
    }
    std::uint8_t* data() { return bytes_.get(); }
    std::size_t size() const { return size_; }

    // About a megabyte of units of `unit` bytes, at least one.
    static std::size_t UnitsPerMegabyte(std::size_t unit) { return std::max<std::size_t>(1, (1u << 20) / unit); }

private:
    struct AlignedDelete {
        void operator()(std::uint8_t* bytes) const { ::operator delete[](bytes, std::align_val_t(kAlignment)); }
    };
    std::size_t unit_;
    std::size_t size_;
    std::unique_ptr<std::uint8_t[], AlignedDelete> bytes_;
};

}  // namespace pelorin::wipe
