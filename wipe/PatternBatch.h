#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Memory.h"

namespace pelorin::wipe {

// The buffer a wipe writes from: one unit-sized pattern block repeated to
// about a megabyte, so that one write call covers many units. It stays in
// physical memory while in use.
class PatternBatch {
public:
    PatternBatch(std::size_t unit, std::size_t units) : unit_(unit), bytes_(unit * units) {
        platform::LockMemory(bytes_.data(), bytes_.size());
    }
    ~PatternBatch() { platform::UnlockMemory(bytes_.data(), bytes_.size()); }
    PatternBatch(const PatternBatch&) = delete;
    PatternBatch& operator=(const PatternBatch&) = delete;

    // The first unit, which a pass fills with its pattern.
    std::span<std::uint8_t> block() { return {bytes_.data(), unit_}; }
    // Copies the first unit over the others.
    void Repeat() {
        for (std::size_t at = unit_; at < bytes_.size(); at += unit_) {
            std::copy_n(bytes_.begin(), unit_, bytes_.begin() + static_cast<std::ptrdiff_t>(at));
        }
    }
    std::uint8_t* data() { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }

    // About a megabyte of units of `unit` bytes, at least one.
    static std::size_t UnitsPerMegabyte(std::size_t unit) { return std::max<std::size_t>(1, (1u << 20) / unit); }

private:
    std::size_t unit_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace pelorin::wipe
