#pragma once

#include <cstdint>

namespace pelorin::wipe {

// What a wipe did, counted as it goes: the erasure report's figures.
struct WipeTally {
    std::uint64_t bytesOverwritten = 0;  // pattern bytes the passes wrote, all passes together
    std::uint64_t bytesVerified = 0;     // bytes read back after the last pass and found as written
    std::uint64_t verifyFailures = 0;    // files (or fills) whose read-back differed from the pattern
    std::uint64_t filesOverwritten = 0;  // files overwritten completely

    WipeTally& operator+=(const WipeTally& other) {
        bytesOverwritten += other.bytesOverwritten;
        bytesVerified += other.bytesVerified;
        verifyFailures += other.verifyFailures;
        filesOverwritten += other.filesOverwritten;
        return *this;
    }
};

}  // namespace pelorin::wipe
