#pragma once

#include <cstdint>
#include <memory>

#include "wipe/sdk/PeloSDK.h"

namespace pelorin::sdk {

inline constexpr int kDefaultDiskPasses = 3;
inline constexpr int kDefaultMemPasses = 10;
inline constexpr std::size_t kErrorTextSize = 200;

// The library's whole state: process-wide and unguarded, so one client
// thread at a time uses it.
struct LibraryState {
    ProgressCallback progress = nullptr;
    int progressUser = 0;
    ContinueCallback keepGoing = nullptr;
    int keepGoingUser = 0;
    OverwriteCallback overwrite = nullptr;
    int overwriteUser = 0;
    int diskPasses = kDefaultDiskPasses;  // never reset by InitPelorinSDK
    int memPasses = kDefaultMemPasses;    // never reset by InitPelorinSDK
    int verify = 0;                       // never reset by InitPelorinSDK
    PeloWipeTotals totals{};              // cleared by InitPelorinSDK
    std::unique_ptr<char[]> errorText;    // present between Init and Kill
};

LibraryState& State();

// True unless a continue callback is registered and asks to stop.
bool ShouldContinue();

// Reports progress in ten-thousandths: the callback runs only when the
// completed fraction changes.
class ProgressReporter {
public:
    ProgressReporter(std::int64_t total, const char* fileName) : total_(total), fileName_(fileName) {}
    void Add(std::int64_t bytes);

private:
    std::int64_t total_;
    const char* fileName_;
    std::int64_t count_ = 0;
    std::int64_t lastValue_ = -1;
};

}  // namespace pelorin::sdk
