#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace pelorin::platform {

// Pins a range of memory in physical RAM so that secrets never reach the
// page file. Returns false when the system refuses (a locking quota, for
// example); callers keep working with the memory unlocked.
bool LockMemory(void* address, std::size_t length);

// Releases a lock taken by LockMemory. Harmless on memory that is not locked.
void UnlockMemory(void* address, std::size_t length);

// The machine's physical memory in bytes; nothing when it cannot be told.
// A work area larger than it would only be taken from the page file, or see
// the process killed when the system runs out.
std::optional<std::uint64_t> PhysicalMemoryBytes();

}  // namespace pelorin::platform
