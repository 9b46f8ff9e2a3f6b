#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"
#include "archive/EntryOutput.h"
#include "archive/Streams.h"

namespace pelorin::archive {

inline constexpr const char* kImportOutputName = "default output.txt";

enum class ImportOutcome {
    Restored,
    NothingAfterPadding,  // no output file is made
    NegativePadding,
    RaggedLength,         // not a whole number of groups after the padding; nothing written
    KeyTooShort,
    Incomplete,
    OutputFailed,
};

// Import mode: the input is `padding` bytes to ignore, then the bare
// enciphered groups of one file, deciphered with `algorithm` under the
// passkey as typed (no size field, no salt, current keystream) into
// "default output.txt" in the input's folder. The passkey cannot be checked,
// so an existing file is never replaced: when that name is taken (from an
// earlier run, or by an earlier input of this one) the output gets a free
// numbered name beside it ("default output4711.txt"), and the user is told.
ImportOutcome ImportInput(ByteSource& input, const std::string& inputPath, int algorithm, std::int64_t padding,
                          std::span<const std::uint8_t> passkey, ProgressDialog& progress, Ui& ui, RestoreJob& job);

inline constexpr const char* kNothingAfterPaddingText = "\" has nothing after its padding; no output was written.";

std::string ImportRaggedText(const std::string& inputPath, std::uint64_t length);
inline constexpr const char* kNegativePaddingText = "The beginning padding cannot be negative.";

}  // namespace pelorin::archive
