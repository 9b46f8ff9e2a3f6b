#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestVolume.h"
#include "wipe/sdk/PeloSDK.h"

namespace pelorin::test {

// The fully qualified form of a path: the wipe functions require it.
inline std::string Qualified(const std::filesystem::path& path) {
    return std::filesystem::absolute(path).string();
}

inline std::int64_t SizeOf(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}


// Puts the library back into its starting state between tests.
inline void ResetLibrary() {
    InitPelorinSDK();
    SetDiskPasses(3);
    SetMemPasses(10);
    SetVerify(0);
}

// While it lives, every read-back after a last pass differs from what was
// written (wipe/ReadBack.h's test seam).
class CorruptedReadBack {
public:
    CorruptedReadBack() { Set("1"); }
    ~CorruptedReadBack() { Set(nullptr); }
    CorruptedReadBack(const CorruptedReadBack&) = delete;
    CorruptedReadBack& operator=(const CorruptedReadBack&) = delete;

private:
    static void Set(const char* value) {
#if defined(_WIN32)
        _putenv_s("PELORIN_TEST_CORRUPT_READBACK", value ? value : "");
#else
        if (value) {
            setenv("PELORIN_TEST_CORRUPT_READBACK", value, 1);
        } else {
            unsetenv("PELORIN_TEST_CORRUPT_READBACK");
        }
#endif
    }
};

// What the library counted since InitPelorinSDK.
inline PeloWipeTotals Totals() {
    PeloWipeTotals totals{};
    totals.size = sizeof totals;
    GetWipeTotals(&totals);
    return totals;
}

}  // namespace pelorin::test
