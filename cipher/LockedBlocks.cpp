#include "cipher/LockedBlocks.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "platform/Memory.h"
#include "platform/Process.h"

namespace pelorin {
namespace {

constexpr std::size_t kSmallestBlock = 64;
constexpr std::size_t kPage = 4096;
// Blocks up to a page are cut from slabs locked as a whole, so that no two
// owners share a locked page with anything outside the cache (an unlock of
// one would otherwise unlock the other).
constexpr std::size_t kSlabSize = 64 * 1024;
// Larger blocks given back are kept up to this much in all; beyond it they
// are unlocked and freed.
constexpr std::size_t kLargeKeptLimit = 16u << 20;
// Blocks above this are sized to whole pages and freed when given back.
constexpr std::size_t kLargestKept = 2u << 20;
constexpr std::size_t kClassCount = 22;  // 2^21 == kLargestKept

std::size_t BlockSize(std::size_t size) {
    if (size > kLargestKept) return (size + kPage - 1) / kPage * kPage;
    return std::max(kSmallestBlock, std::bit_ceil(size));
}
std::size_t ClassOf(std::size_t blockSize) { return static_cast<std::size_t>(std::countr_zero(blockSize)); }

std::uint8_t* NewPageAligned(std::size_t size) {
    return static_cast<std::uint8_t*>(::operator new(size, std::align_val_t{kPage}));
}

void DeletePageAligned(std::uint8_t* block) { ::operator delete(block, std::align_val_t{kPage}); }

std::uint8_t* NewLocked(std::size_t size) {
    std::uint8_t* block = NewPageAligned(size);
    platform::LockMemory(block, size);
    return block;
}

class Cache {
public:
    std::uint8_t* Take(std::size_t blockSize) {
        if (blockSize > kLargestKept) return NewLocked(blockSize);
        const std::lock_guard lock(mutex_);
        auto& free = free_[ClassOf(blockSize)];
        if (!free.empty()) {
            std::uint8_t* block = free.back();
            free.pop_back();
            if (blockSize > kPage) largeKept_ -= blockSize;
            return block;
        }
        if (blockSize > kPage) return NewLocked(blockSize);
        std::uint8_t* slab = NewLocked(kSlabSize);
        for (std::size_t offset = blockSize; offset < kSlabSize; offset += blockSize) free.push_back(slab + offset);
        return slab;
    }

    void GiveBack(std::uint8_t* block, std::size_t blockSize) {
        {
            const std::lock_guard lock(mutex_);
            if (blockSize <= kPage || (blockSize <= kLargestKept && largeKept_ + blockSize <= kLargeKeptLimit)) {
                free_[ClassOf(blockSize)].push_back(block);
                if (blockSize > kPage) largeKept_ += blockSize;
                return;
            }
        }
        platform::UnlockMemory(block, blockSize);
        DeletePageAligned(block);
    }

private:
    std::mutex mutex_;
    std::array<std::vector<std::uint8_t*>, kClassCount> free_;
    std::size_t largeKept_ = 0;
};

Cache& TheCache() {
    // Never destroyed: buffers with static lifetime may give blocks back
    // during exit. Secrets live only in these blocks: from the first one on,
    // the process keeps out of crash dumps and core files.
    static Cache* const cache = [] {
        platform::KeepOutOfCrashDumps();
        return new Cache;
    }();
    return *cache;
}

}  // namespace

std::uint8_t* TakeLockedBlock(std::size_t size) {
    if (size == 0) return nullptr;
    std::uint8_t* block = TheCache().Take(BlockSize(size));
    std::memset(block, 0, size);
    return block;
}

void GiveBackLockedBlock(std::uint8_t* block, std::size_t size) {
    if (block == nullptr) return;
    TheCache().GiveBack(block, BlockSize(size));
}

}  // namespace pelorin
