#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Volume.h"

namespace pelorin::test {

// The largest volume the tests accept as their own: they fill it.
inline constexpr std::uint64_t kLargestTestVolume = std::uint64_t{1} << 30;

// A small volume of the tests' own (a 16 MiB tmpfs on Linux, a drive letter
// mapped to one under Wine), named by PELORIN_TEST_VOLUME in the drive-root
// form ("/mnt/x/", "T:\"); tests that fill a volume are skipped without one.
// A value that is not a volume's root of at most kLargestTestVolume bytes is
// refused, said once on standard error: tests put file names right after
// it, and a mistyped value (a missing final separator, the folder of a
// large disk) would otherwise fill the disk the tests run from.
inline const char* TestVolume() {
    static const char* const checked = []() -> const char* {
        const char* volume = std::getenv("PELORIN_TEST_VOLUME");
        if (volume == nullptr) return nullptr;
        const auto geometry = platform::IsDriveRootForm(volume) ? platform::QueryVolume(volume) : std::nullopt;
        if (!geometry || geometry->clusterSize * geometry->totalClusters > kLargestTestVolume) {
            std::fprintf(stderr,
                         "note: PELORIN_TEST_VOLUME=\"%s\" is not the root of a small volume of the tests' own "
                         "(a final separator, at most 1 GiB); the tests that fill it are skipped\n",
                         volume);
            return nullptr;
        }
        return volume;
    }();
    return checked;
}

}  // namespace pelorin::test
