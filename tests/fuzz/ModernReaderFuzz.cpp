// Feeds arbitrary bytes to the version-8 reader: the header's range checks
// on the first 128 bytes, then the records after them opened with a fixed
// file key (the seam that leaves the key derivation out, so that fuzzing
// reaches the records), each entry's data read into memory, authenticated
// only or passed over by turns; and the metadata items' decoder on the
// input as it stands.
#include <cstddef>
#include <cstdint>

#include "app_common/JobExit.h"
#include "app_common/ProgressDialog.h"
#include "archive/ModernFormat.h"
#include "archive/ModernReader.h"
#include "archive/Streams.h"
#include "cipher/ParallelRunner.h"
#include "fuzz/ModernFuzzKey.h"

namespace {

using namespace pelorin;

class QuietUi final : public Ui {
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

constexpr int kMaxRecords = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    archive::DecodeMetadata(input.first(std::min(size, archive::kMaxMetadataSize + 1)));
    if (size < archive::kModernHeaderSize) return 0;
    archive::ModernHeaderBytes header{};
    std::copy_n(data, header.size(), header.begin());
    archive::ParseModernHeader(header);

    QuietUi ui;
    QuietView view;
    ProgressDialog progress(view, ui);
    SequentialRunner runner;
    archive::MemorySource source(input.subspan(archive::kModernHeaderSize));
    archive::ModernReader reader(source, fuzz::kModernFuzzFileKey, runner);
    try {
        for (int record = 0; record < kMaxRecords; ++record) {
            const archive::ModernRecord next = reader.Next();
            if (next.kind != archive::ModernRecord::Kind::Entry) break;
            archive::IsValidModernName(next.metadata.name);
            if (next.metadata.kind != archive::EntryKind::File) continue;
            switch ((record + data[0]) % 3) {
                case 0: {
                    archive::MemorySink sink;
                    reader.ReadData(&sink, progress);
                    break;
                }
                case 1: reader.ReadData(nullptr, progress); break;
                default: reader.SkipData(progress); break;
            }
        }
    } catch (const JobExit&) {
    }
    return 0;
}
