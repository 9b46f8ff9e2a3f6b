#pragma once

#include <cstddef>
#include <cstdint>

namespace pelorin {

// Memory for secrets, locked in physical RAM. Blocks come in power-of-two
// sizes; a block given back keeps its lock and is handed out again, so a job
// that makes and drops the same buffers entry after entry locks its pages
// once instead of once per entry. Thread-safe.

// A zero-filled block of at least `size` bytes (nullptr for 0), aligned to
// 64 bytes.
std::uint8_t* TakeLockedBlock(std::size_t size);

// Gives back a block taken for `size` bytes. The caller has scrubbed the
// bytes it used; the rest of the block was scrubbed by its earlier users.
void GiveBackLockedBlock(std::uint8_t* block, std::size_t size);

}  // namespace pelorin
