#include "platform/Memory.h"

#include <windows.h>

namespace pelorin::platform {

bool LockMemory(void* address, std::size_t length) {
    if (address == nullptr || length == 0) return false;
    return VirtualLock(address, length) != FALSE;
}

void UnlockMemory(void* address, std::size_t length) {
    if (address == nullptr || length == 0) return;
    VirtualUnlock(address, length);
}

std::optional<std::uint64_t> PhysicalMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status) || status.ullTotalPhys == 0) return std::nullopt;
    return status.ullTotalPhys;
}

}  // namespace pelorin::platform
