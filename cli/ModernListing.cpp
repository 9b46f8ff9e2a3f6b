#include "cli/ModernListing.h"

#include <cstdio>
#include <iostream>

#include "archive/ModernMessages.h"
#include "archive/ModernReader.h"
#include "archive/WorkerPool.h"
#include "cli/Stop.h"

namespace pelorin::cli {
namespace {

// The proleptic Gregorian date of a day counted from 1970-01-01.
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    month = shifted < 10 ? shifted + 3 : shifted - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

std::string UtcTimeText(std::int64_t seconds, std::uint32_t nanoseconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02d.%09uZ", static_cast<long long>(year), month, day,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60),
                  nanoseconds);
    return text;
}

bool ListModernArchive(const std::string& path, archive::ByteSource& source, std::span<const std::uint8_t> passkey,
                       archive::ModernKeyRing& ring, TerminalUi& ui) {
    archive::ModernHeaderBytes bytes{};
    if (source.Read(bytes) != bytes.size()) {
        ui.ShowMessage("The archive \"" + path + "\" is damaged: it is shorter than its header.", std::nullopt,
                       MessageIcon::Warning);
        return false;
    }
    const archive::ModernOpening opening = ring.Open(bytes, passkey, archive::JobWorkers());
    switch (opening.result) {
        case archive::ModernOpening::Result::Opened: break;
        case archive::ModernOpening::Result::WrongPasskey:
            ui.ShowMessage("Incorrect Passkey\n" + path + " was encrypted with another passkey; its names cannot be listed.",
                           std::nullopt, MessageIcon::Exclamation);
            return false;
        case archive::ModernOpening::Result::BadHeader:
            ui.ShowMessage(archive::RefusedHeaderText(path, opening.fault, bytes), std::nullopt, MessageIcon::Warning);
            return false;
        case archive::ModernOpening::Result::MemoryUnavailable:
            ui.ShowMessage(archive::DerivationMemoryText(path, opening.memoryBytes), std::nullopt, MessageIcon::Warning);
            return false;
        case archive::ModernOpening::Result::ShortHeader:
        case archive::ModernOpening::Result::Unreadable:
            ui.ShowMessage("The archive \"" + path + "\" could not be read.", std::nullopt, MessageIcon::Warning);
            return false;
    }
    const auto& cost = opening.header.cost;
    std::cout << EscapedName(path) << ": version 8, algorithm 9 (ChaCha20-Poly1305), key from Argon2id with "
              << archive::MemoryAmountText(cost.memoryBytes()) << ", " << int(cost.passes) << " passes, "
              << int(cost.lanes) << " lanes\n";
    class QuietView final : public ProgressView {
    public:
        void ShowStatus(const std::string&) override {}
        void ShowRange(int, int) override {}
        void ShowPosition(int) override {}
        void ShowPercentText(const std::string&) override {}
        bool PumpMessages() override { return false; }
    } view;
    ProgressDialog progress(view, ui);
    archive::ModernReader reader(source, opening.fileKey, archive::JobWorkers());
    for (;;) {
        const archive::ModernRecord record = reader.Next();
        if (record.kind == archive::ModernRecord::Kind::End) return true;
        if (record.kind == archive::ModernRecord::Kind::Fault) {
            ui.ShowMessage(archive::ModernReadFaultText(path, record), std::nullopt, MessageIcon::Warning);
            return false;
        }
        const auto& entry = record.metadata;
        const bool file = entry.kind == archive::EntryKind::File;
        std::cout << "  " << (file ? "file" : "folder") << "\t" << (file ? std::to_string(entry.size) : "-") << "\t"
                  << (entry.time ? UtcTimeText(entry.time->seconds, entry.time->nanoseconds) : "-") << "\t"
                  << EscapedName(entry.name) << "\n";
        if (file && !reader.SkipData(progress)) continue;  // the next record says where it ended
    }
}

}  // namespace pelorin::cli
