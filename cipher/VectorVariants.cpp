#include "cipher/VectorVariants.h"

namespace pelorin {
namespace {

ProcessorFeatures Ask() {
    ProcessorFeatures features;
#ifdef PELORIN_VECTOR_VARIANTS
    __builtin_cpu_init();
    features.sse2 = __builtin_cpu_supports("sse2");
    features.avx2 = __builtin_cpu_supports("avx2");
#endif
    return features;
}

[[maybe_unused]] const bool askedAtLoad = (VectorFeatures(), true);

}  // namespace

const ProcessorFeatures& VectorFeatures() {
    static const ProcessorFeatures features = Ask();
    return features;
}

}  // namespace pelorin
