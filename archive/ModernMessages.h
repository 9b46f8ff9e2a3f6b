#pragma once

#include <cstdint>
#include <string>

#include "archive/ModernFormat.h"
#include "archive/ModernReader.h"

// What the programs say about version-8 archives that are not as they were
// written: each names the byte it concerns.
namespace pelorin::archive {

// "it ends at byte 4096, before its end record: it was cut short"
std::string ModernFaultClause(const ModernRecord& record);

// The archive stops at a fault: cut short or extended (what was restored
// stays), or damaged (nothing more is read).
std::string ModernArchiveFaultText(const std::string& archivePath, const ModernRecord& record);
// The same where nothing is restored (listing, scanning for names).
std::string ModernReadFaultText(const std::string& archivePath, const ModernRecord& record);

// "byte 15 asks for 8 GiB of memory for the key derivation; an archive may
// ask for 8 MiB to 4 GiB"
std::string HeaderFaultClause(const HeaderFault& fault, const ModernHeaderBytes& bytes);
std::string RefusedHeaderText(const std::string& archivePath, const HeaderFault& fault, const ModernHeaderBytes& bytes);

// The key derivation's memory could not be had.
std::string DerivationMemoryText(const std::string& archivePath, std::uint64_t bytes);

// An entry that cannot be understood (an item type from 0x80 up): skipped.
std::string UnknownCriticalItemText(const std::string& archivePath, const std::string& name, std::uint8_t type);

// A file entry whose chunk failed (or was cut off): what authenticated
// before it is in `keptAs` (empty when nothing), `target` left as it was.
std::string FailedChunkText(const std::string& archivePath, const std::string& name, std::uint64_t offset,
                            bool cut, const std::string& target, const std::string& keptAs, bool targetExisted);

// "256 MiB", "8 GiB"
std::string MemoryAmountText(std::uint64_t bytes);

// The status line while a key is derived (it takes a moment).
std::string DerivingKeyStatus(const std::string& archivePath, const ModernCost& cost);

}  // namespace pelorin::archive
