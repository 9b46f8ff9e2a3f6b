#include "app_common/SharedRandom.h"

#include "platform/Clock.h"

namespace pelorin {
namespace {
thread_local std::uint32_t sharedRandomState = kSharedRandomInitialState;
}

void SeedSharedRandom(std::uint32_t seed) { sharedRandomState = seed; }

int NextSharedRandom() {
    sharedRandomState = sharedRandomState * kSharedRandomMultiplier + kSharedRandomIncrement;
    return static_cast<int>((sharedRandomState >> 16) & kSharedRandomMax);
}

void SeedSharedRandomFromClock() { SeedSharedRandom(platform::CurrentTimeSeconds()); }

}  // namespace pelorin
