#pragma once

#include <cstdint>

#include "wipe/WipeTally.h"
#include "wipe/sdk/PeloSDK.h"

namespace pelorin::wipe_app {

// What the library wrote and verified since InitPelorinSDK.
inline wipe::WipeTally LibraryTotals() {
    PeloWipeTotals totals{};
    totals.size = sizeof totals;
    if (GetWipeTotals(&totals) != SdkErrorNone) return {};
    return {static_cast<std::uint64_t>(totals.bytesOverwritten), static_cast<std::uint64_t>(totals.bytesVerified),
            static_cast<std::uint64_t>(totals.verifyFailures), static_cast<std::uint64_t>(totals.filesOverwritten)};
}

// What it did since `before` (an earlier LibraryTotals): a library call's
// part of a job's tally.
inline wipe::WipeTally LibraryTallySince(const wipe::WipeTally& before) {
    const wipe::WipeTally now = LibraryTotals();
    return {now.bytesOverwritten - before.bytesOverwritten, now.bytesVerified - before.bytesVerified,
            now.verifyFailures - before.verifyFailures, now.filesOverwritten - before.filesOverwritten};
}

}  // namespace pelorin::wipe_app
