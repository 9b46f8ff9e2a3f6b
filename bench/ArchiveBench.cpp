// Writer and reader throughput for one 256 MiB entry held in memory, beside
// the raw bulk-transform speed of the same cipher (pelorin/<algorithm>/...
// in CipherBench.cpp), so that the engines' framing, buffering and copying
// show as the gap between the two.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "archive/ArchiveReader.h"
#include "archive/ArchiveWriter.h"
#include "archive/ModernOpening.h"
#include "archive/ModernReader.h"
#include "archive/ModernWriter.h"
#include "archive/WorkerPool.h"
#include "archive/Streams.h"
#include "cipher/Algorithm.h"

namespace {

using namespace pelorin;

constexpr std::size_t kEntrySize = 256u << 20;

class QuietUi final : public Ui {
public:
    void ShowMessage(const std::string&, const std::optional<std::string>&, MessageIcon) override {}
    bool AskYesNo(const std::string&, const std::optional<std::string>&, MessageIcon) override { return false; }
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

constexpr EntrySalt kBenchSalt = {1, 2, 3, 4, 5, 6, 7, 8};
const std::vector<std::uint8_t> kPasskey = {'b', 'e', 'n', 'c', 'h', ' ', 'p', 'a', 's', 's', 'k', 'e', 'y', '!', '!', '!'};

const std::vector<std::uint8_t>& Plain() {
    static const std::vector<std::uint8_t> plain = [] {
        std::vector<std::uint8_t> bytes(kEntrySize);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
        return bytes;
    }();
    return plain;
}

// The size field, salt and data of one entry, as the writer stores them.
const std::vector<std::uint8_t>& StoredEntry(int algorithm) {
    static std::map<int, std::vector<std::uint8_t>> entries;
    auto& entry = entries[algorithm];
    if (entry.empty()) {
        QuietUi ui;
        QuietView view;
        ProgressDialog progress(view, ui);
        archive::MemorySource source(Plain());
        archive::MemorySink sink;
        sink.bytes().reserve(kEntrySize + 64);
        archive::ArchiveWriter writer(source, sink, kPasskey, true, PasskeyHashing::On, kBenchSalt);
        writer.Run(algorithm, progress, ui);
        entry = std::move(sink.bytes());
    }
    return entry;
}

void Writer(benchmark::State& state, int algorithm) {
    Plain();  // built before timing starts
    QuietUi ui;
    QuietView view;
    ProgressDialog progress(view, ui);
    for (auto _ : state) {
        archive::MemorySource source(Plain());
        archive::CountingSink sink;
        archive::ArchiveWriter writer(source, sink, kPasskey, true, PasskeyHashing::On, kBenchSalt);
        benchmark::DoNotOptimize(writer.Run(algorithm, progress, ui));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kEntrySize));
}

void Reader(benchmark::State& state, int algorithm) {
    QuietUi ui;
    QuietView view;
    ProgressDialog progress(view, ui);
    const auto& stored = StoredEntry(algorithm);
    for (auto _ : state) {
        archive::MemorySource source(stored);
        archive::CountingSink sink;
        archive::ArchiveReader reader(source, sink, kPasskey, true, archive::EntryFraming::Archive,
                                      PasskeyHashing::On);
        benchmark::DoNotOptimize(reader.Run(algorithm, progress, ui, archive::ReaderState{}));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kEntrySize));
}

// The bare cipher over the same 256 MiB in place: the same amount of memory
// traffic as the engines, without their framing and copies.
void Raw(benchmark::State& state, int algorithm) {
    static std::vector<std::uint8_t> data;
    data = Plain();
    auto cipher = MakeGroupCipher(algorithm, kPasskey);
    for (auto _ : state) {
        cipher->Encrypt(data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kEntrySize));
}

// Version 8: one file entry of the same 256 MiB (the key derivation, at
// its cheapest cost, stays outside the timing).
class CountingOutput final : public archive::ArchiveOutput {
public:
    bool Write(std::span<const std::uint8_t> bytes) override {
        position_ += bytes.size();
        return true;
    }
    std::uint64_t Position() const override { return position_; }
    bool CutBack(std::uint64_t position) override {
        position_ = position;
        return true;
    }

private:
    std::uint64_t position_ = 0;
};

constexpr archive::ModernCost kCheapCost{1, 1, archive::kMinLog2MemoryKiB};

archive::EntryMetadata BenchMetadata() {
    archive::EntryMetadata metadata;
    metadata.name = "bench";
    metadata.size = kEntrySize;
    return metadata;
}

void ModernWriter(benchmark::State& state) {
    Plain();
    QuietUi ui;
    QuietView view;
    ProgressDialog progress(view, ui);
    CountingOutput output;
    archive::ModernBeginFailure failure;
    auto writer = archive::ModernWriter::Begin(output, kPasskey, kCheapCost, archive::JobWorkers(), {}, failure);
    for (auto _ : state) {
        archive::MemorySource source(Plain());
        benchmark::DoNotOptimize(writer->AddFile(BenchMetadata(), source, [] { return true; }, progress));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kEntrySize));
}

void ModernReader(benchmark::State& state) {
    QuietUi ui;
    QuietView view;
    ProgressDialog progress(view, ui);
    static const std::vector<std::uint8_t> stored = [&] {
        archive::MemoryArchiveOutput output;
        archive::ModernBeginFailure failure;
        auto writer = archive::ModernWriter::Begin(output, kPasskey, kCheapCost, archive::JobWorkers(), {}, failure);
        archive::MemorySource source(Plain());
        writer->AddFile(BenchMetadata(), source, [] { return true; }, progress);
        writer->Finish();
        return output.bytes();
    }();
    archive::ModernKeyRing ring;
    archive::MemorySource header(stored);
    const auto opening = ring.Open(header, kPasskey, archive::JobWorkers());
    for (auto _ : state) {
        archive::MemorySource source(stored);
        std::array<std::uint8_t, archive::kModernHeaderSize> skip{};
        source.Read(skip);
        archive::ModernReader reader(source, opening.fileKey, archive::JobWorkers());
        reader.Next();
        archive::CountingSink sink;
        benchmark::DoNotOptimize(reader.ReadData(&sink, progress));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kEntrySize));
}

const int registered = [] {
    benchmark::RegisterBenchmark("writer/ChaCha20-Poly1305/enc", ModernWriter)->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::RegisterBenchmark("reader/ChaCha20-Poly1305/dec", ModernReader)->Unit(benchmark::kMillisecond)->Iterations(3);
    const char* names[] = {"ASCII", "Blowfish", "DES", "IDEA", "NewDES", "PseudoRC4", "Safer", "Vigenere"};
    for (int algorithm = 0; algorithm < 8; ++algorithm) {
        benchmark::RegisterBenchmark((std::string("writer/") + names[algorithm] + "/enc").c_str(), Writer, algorithm)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark((std::string("reader/") + names[algorithm] + "/dec").c_str(), Reader, algorithm)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark((std::string("raw256MiB/") + names[algorithm] + "/enc").c_str(), Raw, algorithm)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
    return 0;
}();

}  // namespace
