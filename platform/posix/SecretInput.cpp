#include "platform/SecretInput.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/Failure.h"

namespace pelorin::platform {
namespace {

enum class ByteRead { Got, End, Failed };

ByteRead ReadByte(int fd, std::uint8_t* byte) {
    for (;;) {
        // Waited for with poll, which a signal always ends (a read would be
        // resumed after the program's handler): Ctrl-C or SIGTERM stops a
        // passkey prompt, or a pipe nobody writes to, at once.
        struct pollfd ready {fd, POLLIN, 0};
        if (::poll(&ready, 1, -1) < 0) return ByteRead::Failed;
        const ssize_t got = ::read(fd, byte, 1);
        if (got == 1) return ByteRead::Got;
        if (got == 0) return ByteRead::End;
        if (errno != EINTR) return ByteRead::Failed;
    }
}

// Reads one line from `fd` into `into`, a byte at a time so that nothing
// beyond it is taken in. A line longer than `into` fills it; the rest is
// read and dropped when `dropRest` (a terminal's line must be used up),
// else left unread. `sawAnything` tells an empty line from the end of input.
std::optional<std::size_t> ReadLine(int fd, std::span<std::uint8_t> into, bool dropRest, bool* sawAnything) {
    std::size_t length = 0;
    *sawAnything = false;
    for (;;) {
        std::uint8_t spill = 0;
        std::uint8_t* slot = length < into.size() ? into.data() + length : &spill;
        const ByteRead result = ReadByte(fd, slot);
        if (result == ByteRead::Failed) {
            RememberErrno(errno);
            return std::nullopt;
        }
        if (result == ByteRead::End) break;
        *sawAnything = true;
        const bool lineEnd = *slot == '\n';
        *static_cast<volatile std::uint8_t*>(&spill) = 0;
        if (lineEnd) {
            if (slot != &spill) *slot = 0;
            break;
        }
        if (slot != &spill) ++length;
        if (length == into.size() && !dropRest) break;
    }
    if (length > 0 && length < into.size() && into[length - 1] == '\r') into[--length] = 0;
    return length;
}

}  // namespace

std::optional<std::size_t> ReadFirstLine(const std::string& path, std::span<std::uint8_t> into) {
    // Opened without waiting for a writer (a FIFO), so that the wait is
    // the one a signal ends.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        RememberErrno(errno);
        return std::nullopt;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    bool sawAnything = false;
    const auto length = ReadLine(fd, into, false, &sawAnything);
    ::close(fd);
    return length;
}

std::optional<std::size_t> ReadHiddenLine(const std::string& prompt, std::span<std::uint8_t> into) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    bool sawAnything = false;
    const auto length = ReadLine(STDIN_FILENO, into, true, &sawAnything);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (!length || !sawAnything) return std::nullopt;
    return length;
}

std::optional<std::size_t> TakeEnvironmentSecret(const std::string& name, std::span<std::uint8_t> into) {
    char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    const std::size_t length = std::strlen(value);
    const std::size_t kept = length < into.size() ? length : into.size();
    std::memcpy(into.data(), value, kept);
    // The value lives where the environment was handed over (or where
    // setenv put it); it is overwritten there before the name goes.
    auto* scrubbed = reinterpret_cast<volatile char*>(value);
    for (std::size_t i = 0; i < length; ++i) scrubbed[i] = 0;
    ::unsetenv(name.c_str());
    return kept;
}

}  // namespace pelorin::platform
