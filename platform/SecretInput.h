#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Where a secret comes from, read without leaving a copy in the process:
// every call writes the secret straight into `into` (the caller's locked
// memory) and nowhere else: no stdio or stream buffer, no string, and what
// passes through a buffer of its own on the way is overwritten before the
// call returns. Each returns the number of bytes the secret takes; a longer
// one fills `into`, so that the caller can refuse it as too long. What is
// typed or set is UTF-8 (Windows delivers it wide; a Linux terminal and
// environment give bytes, UTF-8 where the user's locale is); a file's line
// is the bytes it holds. A signal that the program handles ends a wait for
// input (nothing is returned then), so that a stop is not held up by a
// prompt or a pipe that nobody writes to.
namespace pelorin::platform {

// The first line of a file (also a pipe, or a process substitution's
// descriptor), read a byte at a time; its line end ("\n", "\r\n") is not
// part of it, and nothing after it is read. Nothing when the file cannot be
// opened or read (LastFailureText() says why).
std::optional<std::size_t> ReadFirstLine(const std::string& path, std::span<std::uint8_t> into);

// One line typed on the terminal without echo, after `prompt` on standard
// error. Nothing at end of input.
std::optional<std::size_t> ReadHiddenLine(const std::string& prompt, std::span<std::uint8_t> into);

// An environment variable's value, which is then overwritten where the
// process keeps it and removed, so that neither this process's memory nor
// what it shows to others (/proc/PID/environ) still holds it. Nothing when
// the variable is not set.
std::optional<std::size_t> TakeEnvironmentSecret(const std::string& name, std::span<std::uint8_t> into);

}  // namespace pelorin::platform
