#pragma once

#include <cstddef>

namespace pelorin::platform {

// Pins a range of memory in physical RAM so that secrets never reach the
// page file. Returns false when the system refuses (a locking quota, for
// example); callers keep working with the memory unlocked.
bool LockMemory(void* address, std::size_t length);

// Releases a lock taken by LockMemory. Harmless on memory that is not locked.
void UnlockMemory(void* address, std::size_t length);

}  // namespace pelorin::platform
