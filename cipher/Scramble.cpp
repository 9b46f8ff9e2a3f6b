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

#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
namespace {

// The vector registers the last primitive (or a library copy of its key,
// which uses the registers from 16 up on processors with AVX-512) may still
// hold. All of them are the caller's to lose on this system's calling
// convention.
__attribute__((target("avx512f"), noinline)) void ClearUpperVectorRegisters() {
    asm volatile(
        "vpxord %%zmm16, %%zmm16, %%zmm16\n\tvpxord %%zmm17, %%zmm17, %%zmm17\n\t"
        "vpxord %%zmm18, %%zmm18, %%zmm18\n\tvpxord %%zmm19, %%zmm19, %%zmm19\n\t"
        "vpxord %%zmm20, %%zmm20, %%zmm20\n\tvpxord %%zmm21, %%zmm21, %%zmm21\n\t"
        "vpxord %%zmm22, %%zmm22, %%zmm22\n\tvpxord %%zmm23, %%zmm23, %%zmm23\n\t"
        "vpxord %%zmm24, %%zmm24, %%zmm24\n\tvpxord %%zmm25, %%zmm25, %%zmm25\n\t"
        "vpxord %%zmm26, %%zmm26, %%zmm26\n\tvpxord %%zmm27, %%zmm27, %%zmm27\n\t"
        "vpxord %%zmm28, %%zmm28, %%zmm28\n\tvpxord %%zmm29, %%zmm29, %%zmm29\n\t"
        "vpxord %%zmm30, %%zmm30, %%zmm30\n\tvpxord %%zmm31, %%zmm31, %%zmm31" ::
            : "xmm16", "xmm17", "xmm18", "xmm19", "xmm20", "xmm21", "xmm22", "xmm23", "xmm24", "xmm25", "xmm26",
              "xmm27", "xmm28", "xmm29", "xmm30", "xmm31");
}

__attribute__((target("avx"), noinline)) void ClearWideVectorRegisters() {
    asm volatile("vzeroall" ::: "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9",
                 "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
}

__attribute__((noinline)) void ClearVectorRegisters() {
    asm volatile(
        "pxor %%xmm0, %%xmm0\n\tpxor %%xmm1, %%xmm1\n\tpxor %%xmm2, %%xmm2\n\tpxor %%xmm3, %%xmm3\n\t"
        "pxor %%xmm4, %%xmm4\n\tpxor %%xmm5, %%xmm5\n\tpxor %%xmm6, %%xmm6\n\tpxor %%xmm7, %%xmm7\n\t"
        "pxor %%xmm8, %%xmm8\n\tpxor %%xmm9, %%xmm9\n\tpxor %%xmm10, %%xmm10\n\tpxor %%xmm11, %%xmm11\n\t"
        "pxor %%xmm12, %%xmm12\n\tpxor %%xmm13, %%xmm13\n\tpxor %%xmm14, %%xmm14\n\tpxor %%xmm15, %%xmm15" ::
            : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11",
              "xmm12", "xmm13", "xmm14", "xmm15");
}

}  // namespace

void ScrubVectorRegisters() {
    if (__builtin_cpu_supports("avx512f")) ClearUpperVectorRegisters();
    if (__builtin_cpu_supports("avx")) {
        ClearWideVectorRegisters();
    } else {
        ClearVectorRegisters();
    }
}
#else
// Windows keeps the upper vector registers for the caller, and its loader
// binds every import before the program starts; other processors: nothing
// here saves their registers to memory behind the program's back.
void ScrubVectorRegisters() {}
#endif

#if defined(__GNUC__) || defined(__clang__)
__attribute__((noinline))
#endif
void ScrubCallStack() {
    std::uint8_t area[4096];
    ScrubWorkingState(area, sizeof area);
    ScrubVectorRegisters();
}

void ScrambleString(std::string& text) {
    ScrambleBuffer(text.data(), text.size(), kStringScrubPasses);
    text.resize(std::strlen(text.c_str()));
}

}  // namespace pelorin
