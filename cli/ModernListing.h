#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "archive/ModernOpening.h"
#include "archive/Streams.h"
#include "cli/TerminalUi.h"

namespace pelorin::cli {

// "2025-12-06T05:46:41.000000500Z": a time of version 8 in UTC.
std::string UtcTimeText(std::int64_t seconds, std::uint32_t nanoseconds);

// Lists an archive of version 8 from `source` (at its start): a header line,
// then a line per entry with its kind, size, time and name. The chunks are
// passed over unread; the end record is checked. False when the archive
// cannot be opened with the passkey or is damaged (told on standard error).
bool ListModernArchive(const std::string& path, archive::ByteSource& source, std::span<const std::uint8_t> passkey,
                       archive::ModernKeyRing& ring, TerminalUi& ui);

}  // namespace pelorin::cli
