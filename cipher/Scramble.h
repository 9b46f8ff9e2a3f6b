#pragma once

#include <cstddef>
#include <string>

namespace pelorin {

// Passes used when key material and key schedules are released, and when the
// encryptor's data buffers are released.
inline constexpr int kKeyScrubPasses = 10;
inline constexpr int kDataScrubPasses = 2;
inline constexpr int kStringScrubPasses = 10;

// Reseeds the calling thread's shared random generator from the clock in
// seconds, then overwrites the buffer `passes` times, byte by byte, with the
// low 8 bits of successive generator outputs. Does nothing for a null buffer.
void ScrambleBuffer(void* buffer, std::size_t length, int passes);

// Overwrites the string's characters in place, 10 passes, the same way, then
// cuts the string at its first zero byte (its length is taken anew).
void ScrambleString(std::string& text);

}  // namespace pelorin
