#pragma once

#include <optional>
#include <span>
#include <string>

#include "archive/HeaderCheck.h"
#include "archive/ReaderMessages.h"
#include "archive/Streams.h"

namespace pelorin::archive {

struct EntryNameResult {
    std::optional<std::string> name;  // nothing when the archive is damaged
    Damage damage = Damage::EndsInsideEntry;
};

// Reads an entry's name length and name (plain or through the header
// cipher). A length below 0, above the longest path Windows accepts, or one
// whose stored name would run past the end of the archive, marks the archive
// damaged; nothing is allocated by it.
EntryNameResult ReadEntryName(ByteSource& source, const OpenedArchive& archive, std::span<const std::uint8_t> passkey,
                              const ReaderState& state);

// Stored names are relative paths below the archive's folder with
// backslashes between components. False for a name that could leave that
// folder or name no file in it: empty, a drive letter or any colon, a
// leading or trailing backslash or slash, a last component ".",
// a ".." component, a zero byte, and on hosts whose separator is '/' any '/'.
bool IsSafeEntryName(const std::string& name);

// The stored name with the host's separator.
std::string HostRelativePath(const std::string& name);

}  // namespace pelorin::archive
