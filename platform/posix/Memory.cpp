#include "platform/Memory.h"

#include <sys/mman.h>
#include <unistd.h>

namespace pelorin::platform {

bool LockMemory(void* address, std::size_t length) {
    if (address == nullptr || length == 0) return false;
    return mlock(address, length) == 0;
}

void UnlockMemory(void* address, std::size_t length) {
    if (address == nullptr || length == 0) return;
    munlock(address, length);
}

std::optional<std::uint64_t> PhysicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return std::nullopt;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size);
}

}  // namespace pelorin::platform
