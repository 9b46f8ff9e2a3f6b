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

// Overwrites short-lived working state with zeros in a way the compiler
// keeps: keystream blocks, hash and authenticator states and key copies that
// the modern primitives hold on the stack for the length of one call.
void ScrubWorkingState(void* buffer, std::size_t length);

// Overwrites with zeros the 4 KiB of stack below the caller's frame: where
// the frames of the functions it has just called were, with whatever their
// inner loops spilled from registers (keystream, key words). The modern
// primitives call it before they return to their callers. It clears the
// vector registers as well (ScrubVectorRegisters).
void ScrubCallStack();

// Clears the processor's vector registers (on x86-64 Linux: all of them,
// the AVX-512 ones too where there are any), which the last primitive or a
// library copy of its key may have left key bytes in: code that saves them
// to memory later (the lazy binding of a shared library's calls, which the
// C++ run-time's destructors go through at exit) would write them out.
void ScrubVectorRegisters();

// Overwrites the string's characters in place, 10 passes, the same way, then
// cuts the string at its first zero byte (its length is taken anew).
void ScrambleString(std::string& text);

// Scrambles the strings it watches when it goes out of scope, also when an
// exception unwinds: names and passkey texts of a job do not outlive it.
class ScrambleOnExit {
public:
    template <class... Strings>
    explicit ScrambleOnExit(Strings&... texts) : texts_{&texts...}, count_(sizeof...(texts)) {
        static_assert(sizeof...(Strings) <= 4);
    }
    ~ScrambleOnExit() {
        for (std::size_t i = 0; i < count_; ++i) ScrambleString(*texts_[i]);
    }
    ScrambleOnExit(const ScrambleOnExit&) = delete;
    ScrambleOnExit& operator=(const ScrambleOnExit&) = delete;

private:
    std::string* texts_[4];
    std::size_t count_;
};

}  // namespace pelorin
