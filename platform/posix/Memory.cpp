#include "platform/Memory.h"

#include <sys/mman.h>

namespace pelorin::platform {

bool LockMemory(void* address, std::size_t length) {
    if (address == nullptr || length == 0) return false;
    return mlock(address, length) == 0;
}

void UnlockMemory(void* address, std::size_t length) {
    if (address == nullptr || length == 0) return;
    munlock(address, length);
}

}  // namespace pelorin::platform
