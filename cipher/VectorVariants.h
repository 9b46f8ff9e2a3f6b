#pragma once

// Which vector variants of the modern primitives a build has, and which of
// them this processor runs. Internal to cipher/.
//
// The vector variants are built where the loader picks code per processor
// (the same condition as the scrub generator's lanes): x86-64 ELF builds with
// GCC or Clang. Elsewhere (the Windows build among them) only the portable
// code exists. Each vector variant lives in a file of its own whose functions
// alone carry the processor target.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__)
#define PELORIN_VECTOR_VARIANTS 1
#endif

namespace pelorin {

struct ProcessorFeatures {
    bool sse2 = false;
    bool avx2 = false;
};

// Asked once, when the program loads (or at the first call, when that
// comes from another static initialiser first); all false without vector
// variants.
const ProcessorFeatures& VectorFeatures();

}  // namespace pelorin
