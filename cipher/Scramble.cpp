#include "cipher/Scramble.h"

#include <cstdint>
#include <cstring>

#include "app_common/SharedRandom.h"

namespace pelorin {
namespace {

// Tells the compiler that the bytes at `buffer` are read after this point,
// so the stores of a scrub are kept although the memory is about to be freed.
inline void KeepStores(void* buffer) {
#if defined(__GNUC__) || defined(__clang__)
    asm volatile("" : : "r"(buffer) : "memory");
#else
    volatile auto* first = static_cast<volatile std::uint8_t*>(buffer);
    *first = *first;
#endif
}

}  // namespace

void ScrambleBuffer(void* buffer, std::size_t length, int passes) {
    if (buffer == nullptr) return;
    SeedSharedRandomFromClock();
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (int pass = 0; pass < passes; ++pass) {
        FillWithSharedRandomBytes(bytes, length);
        KeepStores(bytes);
    }
}

void ScrubWorkingState(void* buffer, std::size_t length) {
    if (buffer == nullptr) return;
    std::memset(buffer, 0, length);
    KeepStores(buffer);
}

#if defined(__GNUC__) || defined(__clang__)
__attribute__((noinline))
#endif
void ScrubCallStack() {
    std::uint8_t area[4096];
    ScrubWorkingState(area, sizeof area);
}

void ScrambleString(std::string& text) {
    ScrambleBuffer(text.data(), text.size(), kStringScrubPasses);
    text.resize(std::strlen(text.c_str()));
}

}  // namespace pelorin
