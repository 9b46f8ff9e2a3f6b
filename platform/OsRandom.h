#pragma once

#include <cstdint>
#include <span>

namespace pelorin::platform {

// Fills the buffer from the operating system's cryptographic random source.
// Returns false when the source is not available.
bool OsRandomBytes(std::span<std::uint8_t> buffer);

}  // namespace pelorin::platform
