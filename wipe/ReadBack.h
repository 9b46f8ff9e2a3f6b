#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/File.h"

namespace pelorin::wipe {

struct ReadBackResult {
    bool asWritten = true;       // every byte read back as the pattern has it
    std::uint64_t verified = 0;  // bytes read back and found as written, up to the first difference
};

// The check after a wipe's last pass: reads back what it wrote over `parts`
// of `file` from the disk rather than the system's cache (the file must be
// open for reading) and compares it with `pattern`, which each part repeats
// from its start (a pass's block). A read that fails or ends early is a
// difference too. It costs one read of what was written.
ReadBackResult ReadBack(platform::File& file, const std::vector<platform::FileRange>& parts,
                        std::span<const std::uint8_t> pattern);

// The tests' way to make a read-back differ: with this variable set in the
// environment, one byte of what is read back is changed before it is
// compared. It can only make a wipe keep a file it would have deleted.
inline constexpr const char* kCorruptReadBackVariable = "PELORIN_TEST_CORRUPT_READBACK";

}  // namespace pelorin::wipe
