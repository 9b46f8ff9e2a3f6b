#include "archive/ModernMessages.h"

#include <algorithm>
#include <cstdio>

namespace pelorin::archive {
namespace {

std::string Hex(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

std::string At(std::uint64_t offset) { return "byte " + std::to_string(offset); }

}  // namespace

std::string MemoryAmountText(std::uint64_t bytes) {
    const std::uint64_t mebibytes = bytes >> 20;
    if (mebibytes >= 1024 && mebibytes % 1024 == 0) return std::to_string(mebibytes / 1024) + " GiB";
    if (bytes % (1u << 20) == 0) return std::to_string(mebibytes) + " MiB";
    return std::to_string(bytes >> 10) + " KiB";
}

std::string ModernFaultClause(const ModernRecord& record) {
    const std::string at = At(record.offset);
    switch (record.fault) {
        case ModernFault::None: break;
        case ModernFault::Unreadable: return "it could not be read at " + at;
        case ModernFault::EndsBeforeEndRecord: return "it ends at " + at + ", before its end record: it was cut short";
        case ModernFault::EndsInsideRecord: return "it ends at " + at + ", inside a record: it was cut short";
        case ModernFault::UnknownRecordType:
            return "the record at " + at + " is of an unknown type (" + Hex(record.recordType) + ")";
        case ModernFault::MetadataLengthOutOfRange:
            return "the entry record at " + at + " gives its metadata an impossible length (" +
                   std::to_string(record.metadataLength) + " bytes)";
        case ModernFault::MetadataTagFailed:
            return "the entry record at " + at +
                   " failed its authentication: it was changed, or entries were reordered, dropped, duplicated or "
                   "taken from another archive";
        case ModernFault::MetadataMalformed: return "the metadata of the entry at " + at + " cannot be understood";
        case ModernFault::EndRecordTagFailed: return "the end record at " + at + " failed its authentication";
        case ModernFault::EndTotalsDiffer:
            return "the end record at " + at + " counts " + std::to_string(record.endEntries) + " entries of " +
                   std::to_string(record.endBytes) + " bytes, but " + std::to_string(record.readEntries) +
                   " entries of " + std::to_string(record.readBytes) +
                   " bytes come before it: it was cut short or extended";
        case ModernFault::TrailingBytes: return "bytes follow its end record from " + at + ": it was extended";
    }
    return "it is damaged at " + at;
}

std::string ModernArchiveFaultText(const std::string& archivePath, const ModernRecord& record) {
    if (IsCutOrExtended(record.fault)) {
        return "The archive \"" + archivePath + "\" is not whole: " + ModernFaultClause(record) +
               ".\nWhat was restored from it stays; the archive is not deleted.";
    }
    return "The archive \"" + archivePath + "\" is damaged: " + ModernFaultClause(record) +
           ".\nNothing more is read from it, and it is not deleted.";
}

std::string ModernReadFaultText(const std::string& archivePath, const ModernRecord& record) {
    return "The archive \"" + archivePath + "\" is " + (IsCutOrExtended(record.fault) ? "not whole: " : "damaged: ") +
           ModernFaultClause(record) + ".";
}

std::string HeaderFaultClause(const HeaderFault& fault, const ModernHeaderBytes& bytes) {
    const std::uint8_t value = bytes[fault.offset];
    if (fault.kind == HeaderFault::Kind::CostOutOfRange) {
        if (fault.offset == kModernPassesOffset) {
            return "byte 13 asks for " + std::to_string(value) + " passes of the key derivation; an archive may ask for " +
                   std::to_string(kMinPasses) + " to " + std::to_string(kMaxPasses);
        }
        if (fault.offset == kModernLanesOffset) {
            return "byte 14 asks for " + std::to_string(value) + " lanes of the key derivation; an archive may ask for " +
                   std::to_string(kMinLanes) + " to " + std::to_string(kMaxLanes);
        }
        const std::string asked = value < 54 ? MemoryAmountText(std::uint64_t{1} << (value + 10))
                                             : "2^" + std::to_string(value) + " KiB";
        return "byte 15 asks for " + asked + " of memory for the key derivation; an archive may ask for " +
               MemoryAmountText(std::uint64_t{1} << (kMinLog2MemoryKiB + 10)) + " to " +
               MemoryAmountText(std::uint64_t{1} << (kMaxLog2MemoryKiB + 10));
    }
    return "byte " + std::to_string(fault.offset) + " of its header (" + Hex(value) +
           ") is not what an archive of version 8 holds there";
}

std::string RefusedHeaderText(const std::string& archivePath, const HeaderFault& fault,
                              const ModernHeaderBytes& bytes) {
    return "The archive \"" + archivePath + "\" is refused: " + HeaderFaultClause(fault, bytes) +
           ".\nNothing is read from it.";
}

std::string DerivationMemoryText(const std::string& archivePath, std::uint64_t bytes) {
    return "The archive \"" + archivePath + "\" needs " + MemoryAmountText(bytes) +
           " of memory for its key derivation, which could not be had.\nNothing is read from it; with other "
           "programs closed it may open.";
}

std::string UnknownCriticalItemText(const std::string& archivePath, const std::string& name, std::uint8_t type) {
    return "The entry \"" + name + "\" in \"" + archivePath + "\" holds an item this version of Pelorin does not know (" +
           Hex(type) + ").\nIt is skipped.";
}

std::string FailedChunkText(const std::string& archivePath, const std::string& name, std::uint64_t offset, bool cut,
                            const std::string& target, const std::string& keptAs, bool targetExisted) {
    std::string text = "\"" + name + "\" could not be restored completely: " + archivePath +
                       (cut ? " ends inside it, at " + At(offset) + "."
                            : " was changed at " + At(offset) + " (a chunk failed its authentication).");
    text += keptAs.empty() ? " Nothing of it could be restored." : " What came before is in " + keptAs + ".";
    if (targetExisted) text += " " + target + " was left as it was.";
    return text + " The archive is not deleted.";
}

std::string DerivingKeyStatus(const std::string& archivePath, const ModernCost& cost) {
    // About a second for 256 MiB and three passes on a current machine.
    const std::uint64_t seconds = std::max<std::uint64_t>(1, ((cost.memoryKiB() >> 10) * cost.passes + 383) / 768);
    // The archive's name last: a status line too narrow for all of it keeps
    // the words and the name's end (the programs shorten it in the middle).
    return "Deriving the key from the passkey (" + MemoryAmountText(cost.memoryBytes()) + ", about " +
           (seconds == 1 ? std::string("a second") : std::to_string(seconds) + " seconds") + "): " + archivePath;
}

}  // namespace pelorin::archive
