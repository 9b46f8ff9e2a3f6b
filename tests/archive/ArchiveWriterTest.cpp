#include <gtest/gtest.h>

#include <set>

#include "TestHex.h"
#include "app_common/JobExit.h"
#include "archive/ArchiveFormat.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/ArchiveWriter.h"

namespace pelorin::archive {
namespace {

struct WriterRun {
    EntrySalt salt{};
    std::vector<std::uint8_t> bytes;
    WriteOutcome outcome;
    test::FakeUi ui;
    test::FakeProgressView view;
    int steps = 0;
};

// Runs the writer alone over `data` (no archive header), counting StepIt
// calls through the positions the bar reports between SetPos calls.
void RunWriter(WriterRun& run, const std::vector<std::uint8_t>& data, int algorithm, bool encryptHeaders,
               PasskeyHashing hashing = PasskeyHashing::On, std::size_t sinkCapacity = SIZE_MAX,
               std::size_t sourceBytes = SIZE_MAX) {
    MemorySink sink(sinkCapacity);
    ProgressDialog progress(run.view, run.ui);
    progress.SetRange(0, kProgressFull);
    const auto positionsBefore = run.view.positions.size();
    // A source whose Remaining() is the full size but which delivers fewer bytes.
    class ShortSource final : public ByteSource {
    public:
        ShortSource(std::span<const std::uint8_t> bytes, std::size_t deliver) : bytes_(bytes), deliver_(deliver) {}
        std::size_t Read(std::span<std::uint8_t> buffer) override {
            const std::size_t n = std::min(buffer.size(), deliver_ > position_ ? deliver_ - position_ : 0);
            std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), n, buffer.begin());
            position_ += n;
            return n;
        }
        std::uint64_t Remaining() override { return bytes_.size() - position_; }
        std::uint64_t Length() override { return bytes_.size(); }
        bool AtEnd() override { return position_ >= bytes_.size(); }
        bool Failed() const override { return false; }

    private:
        std::span<const std::uint8_t> bytes_;
        std::size_t deliver_;
        std::size_t position_ = 0;
    } source(data, std::min(sourceBytes, data.size()));
    EXPECT_TRUE(DrawEntrySalt(run.salt));
    const auto passkey = test::Span("writer passkey 16");
    ArchiveWriter writer(source, sink, passkey, encryptHeaders, hashing, run.salt);
    run.outcome = writer.Run(algorithm, progress, run.ui);
    run.bytes = sink.bytes();
    // Every position but the final SetPos(32766) comes from StepIt.
    run.steps = static_cast<int>(run.view.positions.size() - positionsBefore) - 1;
}

TEST(ArchiveWriterTest, ContributionSizesFollowTheLayout) {
    struct Case {
        std::size_t size;
        bool encrypted;
        std::size_t bytes;
        int steps;
    };
    for (const Case c : {Case{0, false, 12, 0}, Case{0, true, 17, 0}, Case{5, false, 21, 0}, Case{8, false, 20, 1},
                         Case{9999, false, 4 + 8 + 9992 + 9, 1}, Case{10007, false, 4 + 8 + 10000 + 9, 10},
                         Case{20000, true, 9 + 8 + 20000, 10}}) {
        WriterRun run;
        RunWriter(run, test::TestBytes(c.size, 1), 2, c.encrypted);
        EXPECT_EQ(run.outcome, WriteOutcome::Complete);
        EXPECT_EQ(run.bytes.size(), c.bytes) << c.size;
        EXPECT_EQ(run.steps, c.steps) << c.size;
        EXPECT_EQ(run.view.statuses.back(), "Scrambling memory buffer...");
        EXPECT_EQ(run.view.positions.back(), kProgressFull);
    }
}

TEST(ArchiveWriterTest, SaltsComeFreshForEveryEntry) {
    std::set<std::vector<std::uint8_t>> salts;
    for (int i = 0; i < 20; ++i) {
        WriterRun run;
        RunWriter(run, test::TestBytes(3, 1), 1, false);
        const std::vector<std::uint8_t> written(run.bytes.begin() + 4, run.bytes.begin() + 12);
        EXPECT_EQ(written, std::vector<std::uint8_t>(run.salt.begin(), run.salt.end()));
        salts.insert(written);
    }
    EXPECT_EQ(salts.size(), 20u);
}

TEST(ArchiveWriterTest, UnknownAlgorithmWritesSizeAndSaltOnly) {
    WriterRun run;
    RunWriter(run, test::TestBytes(100, 1), 8, false);
    EXPECT_EQ(run.outcome, WriteOutcome::UnknownAlgorithm);
    EXPECT_EQ(run.bytes.size(), 12u);
    ASSERT_EQ(run.ui.shown.size(), 1u);
    EXPECT_EQ(run.ui.shown[0].text, "Unknown algorithm.\nThe file may have been encrypted incorrectly.");
    EXPECT_EQ(run.ui.shown[0].caption, std::optional<std::string>("File error"));
    EXPECT_EQ(run.ui.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(run.view.statuses.back(), "Scrambling memory buffer...");
}

TEST(ArchiveWriterTest, ShortSourceKeepsTheByteCountButIsReported) {
    WriterRun run;
    RunWriter(run, test::TestBytes(20000, 1), 6, false, PasskeyHashing::On, SIZE_MAX, 12345);
    EXPECT_EQ(run.outcome, WriteOutcome::SourceShort);
    EXPECT_EQ(run.bytes.size(), 4u + 8u + 20000u);
}

TEST(ArchiveWriterTest, FullArchiveIsReportedAsFailed) {
    WriterRun run;
    RunWriter(run, test::TestBytes(50000, 1), 3, true, PasskeyHashing::On, 3000);
    EXPECT_EQ(run.outcome, WriteOutcome::ArchiveWriteFailed);
    EXPECT_LE(run.bytes.size(), 3000u);
}

TEST(ArchiveWriterTest, WhatRefusesAnEntryIsKnownBeforeAnythingIsWritten) {
    EXPECT_EQ(CheckEntryCanBeWritten(3, PasskeyHashing::Off, 15), EntryRefusal::PasskeyTooShort);
    EXPECT_EQ(CheckEntryCanBeWritten(3, PasskeyHashing::Off, 16), EntryRefusal::None);
    EXPECT_EQ(CheckEntryCanBeWritten(3, PasskeyHashing::On, 1), EntryRefusal::None);
    EXPECT_EQ(CheckEntryCanBeWritten(8, PasskeyHashing::On, 20), EntryRefusal::UnknownAlgorithm);
    // The writer itself refuses to start such an entry rather than leave half of it.
    MemorySink sink;
    MemorySource source(test::Span("data"));
    test::FakeUi ui;
    test::FakeProgressView view;
    ProgressDialog progress(view, ui);
    const auto passkey = test::Span("short");
    ArchiveWriter writer(source, sink, passkey, false, PasskeyHashing::Off, EntrySalt{});
    EXPECT_THROW(writer.Run(3, progress, ui), std::logic_error);
    EXPECT_TRUE(sink.bytes().empty());
}

TEST(ArchiveWriterTest, CancelConfirmedEndsTheJobAndNoContinues) {
    for (bool confirm : {false, true}) {
        test::FakeUi ui;
        test::FakeProgressView view;
        ProgressDialog progress(view, ui);
        view.onPump = [&] { progress.RequestCancel(); };
        ui.answers = std::deque<bool>(100, confirm);
        const auto data = test::TestBytes(30000, 2);
        MemorySource source(data);
        MemorySink sink;
        const auto passkey = test::Span("passkey");
        ArchiveWriter writer(source, sink, passkey, false, PasskeyHashing::On, EntrySalt{});
        if (confirm) {
            try {
                writer.Run(1, progress, ui);
                FAIL() << "no exit";
            } catch (const JobExit& exit) {
                EXPECT_EQ(exit.status(), 1);
            }
            // Stopped after the first chunk.
            EXPECT_EQ(sink.bytes().size(), 12u + 3000u);
        } else {
            EXPECT_EQ(writer.Run(1, progress, ui), WriteOutcome::Complete);
            EXPECT_EQ(sink.bytes().size(), 12u + 30000u);
        }
    }
}

}  // namespace
}  // namespace pelorin::archive
