// Feeds arbitrary bytes to the archive reader the way the decryptor's passes
// use it: header check, entry names, skipping and restoring entries. Every
// warning is answered Yes so that the reader goes as far as it can.
#include <cstddef>
#include <cstdint>

#include "app_common/JobExit.h"
#include "app_common/ProgressDialog.h"
#include "archive/ArchiveReader.h"
#include "archive/EntryNames.h"
#include "archive/HeaderCheck.h"
#include "archive/ImportPass.h"
#include "archive/Streams.h"

namespace {

using namespace pelorin;

class YesUi final : public Ui {
public:
    void ShowMessage(const std::string&, const std::optional<std::string>&, MessageIcon) override {}
    bool AskYesNo(const std::string&, const std::optional<std::string>&, MessageIcon) override { return true; }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string&, const std::optional<std::string>&, MessageIcon) override {
        return AbortRetryIgnore::Abort;
    }
};

class QuietView final : public ProgressView {
public:
    void ShowStatus(const std::string&) override {}
    void ShowRange(int, int) override {}
    void ShowPosition(int) override {}
    void ShowPercentText(const std::string&) override {}
    bool PumpMessages() override { return false; }
};

constexpr std::uint8_t kPasskey[] = {'f', 'u', 'z', 'z', ' ', 'p', 'a', 's', 's', 'k', 'e', 'y', '!', '1', '2', '3'};
constexpr int kMaxEntries = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    YesUi ui;
    QuietView view;
    ProgressDialog progress(view, ui);
    archive::ReaderState state;
    archive::MemorySource source(std::span(data, size));
    try {
        const auto opened =
            archive::CheckArchiveHeader(source, "fuzz.pvb", archive::HeaderCheckForm::Scanning, ui, state);
        if (!opened) return 0;
        const bool encrypted = archive::HeadersEncrypted(opened->header);
        for (int entry = 0; entry < kMaxEntries && !source.AtEnd(); ++entry) {
            const auto name = archive::ReadEntryName(source, *opened, kPasskey, state);
            if (!name.name) break;
            archive::IsSafeEntryName(*name.name);
            if ((entry + data[0]) % 2 == 0) {
                if (!archive::SkipEntryData(source, encrypted, kPasskey, state, progress, *name.name)) break;
                continue;
            }
            archive::MemorySink output;
            archive::ArchiveReader reader(source, output, kPasskey, encrypted, archive::EntryFraming::Archive,
                                          archive::EntryHashing(opened->header));
            const auto outcome = reader.Run(opened->header.algorithm, progress, ui, state);
            if (outcome == archive::ReadOutcome::Truncated || outcome == archive::ReadOutcome::KeyTooShort) break;
        }
    } catch (const JobExit&) {
    }
    return 0;
}
