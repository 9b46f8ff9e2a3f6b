#include "archive/ModernWriter.h"

#include <algorithm>
#include <stdexcept>

#include "archive/ChunkPipeline.h"
#include "archive/ChunkSize.h"
#include "archive/ModernChunks.h"
#include "cipher/Argon2id.h"
#include "cipher/ChaCha20Poly1305.h"
#include "cipher/Scramble.h"
#include "platform/OsRandom.h"

namespace pelorin::archive {
namespace {

constexpr std::size_t kOutputBuffer = 256 * 1024;
constexpr std::array<std::uint8_t, 12> kZeroNonce{};

}  // namespace

FileArchiveOutput::FileArchiveOutput(platform::File& file) : file_(file) {
    buffer_.reserve(kOutputBuffer);
    const std::int64_t at = file_.Position();
    position_ = at < 0 ? 0 : static_cast<std::uint64_t>(at);
}

FileArchiveOutput::~FileArchiveOutput() { Flush(); }

bool FileArchiveOutput::WriteFile(std::span<const std::uint8_t> bytes) {
    if (failed_) return false;
    if (bytes.empty()) return true;
    if (file_.Write(bytes.data(), bytes.size()) == static_cast<std::int64_t>(bytes.size())) return true;
    failed_ = true;
    failureText_ = platform::LastFailureText();
    return false;
}

bool FileArchiveOutput::Write(std::span<const std::uint8_t> bytes) {
    if (failed_) return false;
    position_ += bytes.size();
    if (buffer_.size() + bytes.size() <= kOutputBuffer) {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        return true;
    }
    if (!Flush()) return false;
    if (bytes.size() >= kOutputBuffer / 2) return WriteFile(bytes);
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return true;
}

bool FileArchiveOutput::Flush() {
    const bool written = WriteFile(buffer_);
    buffer_.clear();
    return written;
}

bool FileArchiveOutput::CutBack(std::uint64_t position) {
    if (!Flush()) return false;
    const auto at = static_cast<std::int64_t>(position);
    if (!file_.SetLength(at) || file_.Seek(at, platform::SeekFrom::Start) != at) {
        failed_ = true;
        failureText_ = platform::LastFailureText();
        return false;
    }
    position_ = position;
    return true;
}

bool MemoryArchiveOutput::Write(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
}

bool MemoryArchiveOutput::CutBack(std::uint64_t position) {
    if (position > bytes_.size()) return false;
    bytes_.resize(static_cast<std::size_t>(position));
    return true;
}

std::unique_ptr<ModernWriter> ModernWriter::Begin(ArchiveOutput& output, std::span<const std::uint8_t> passkey,
                                                  const ModernCost& cost, ParallelRunner& workers,
                                                  const DerivationProgress& progress, ModernBeginFailure& failure,
                                                  const ModernWriterSeeds* seeds) {
    if (!CostInRange(cost)) throw std::invalid_argument("a version-8 cost out of range");
    ModernHeader header;
    header.cost = cost;
    SecureBuffer fileKey(kFileKeySize, kKeyScrubPasses);
    const bool drawn = (seeds && seeds->archiveSalt) ? (header.salt = *seeds->archiveSalt, true)
                                                     : platform::OsRandomBytes(header.salt);
    const bool keyed = (seeds && seeds->fileKey)
                           ? (std::copy(seeds->fileKey->begin(), seeds->fileKey->end(), fileKey.data()), true)
                           : platform::OsRandomBytes(fileKey.bytes());
    if (!drawn || !keyed) {
        failure.kind = ModernBeginFailure::Kind::NoRandomSource;
        return nullptr;
    }
    try {
        const SecureBuffer kek = DeriveKek(passkey, header.salt, cost, workers, progress);
        WrapFileKey(kek.bytes(), fileKey.bytes(), header);
    } catch (const Argon2MemoryError& error) {
        failure.kind = ModernBeginFailure::Kind::MemoryUnavailable;
        failure.memoryBytes = error.bytes();
        return nullptr;
    }
    if (!output.Write(header.Serialize())) {
        failure.kind = ModernBeginFailure::Kind::ArchiveWriteFailed;
        return nullptr;
    }
    return std::unique_ptr<ModernWriter>(new ModernWriter(output, workers, std::move(fileKey), seeds));
}

ModernWriter::~ModernWriter() = default;

bool ModernWriter::DrawEntrySalt(EntrySaltV8& salt) {
    if (seeds_ != nullptr && seedSaltsUsed_ < seeds_->entrySalts.size()) {
        salt = seeds_->entrySalts[seedSaltsUsed_++];
        return true;
    }
    return platform::OsRandomBytes(salt);
}

ModernWriter::Slot& ModernWriter::SlotAt(unsigned index, std::size_t plainBytes) {
    auto& slot = slots_[index];
    if (!slot) slot = std::make_unique<Slot>();
    if (slot->plain.size() < plainBytes || slot->plain.empty()) {
        // Small entries take small buffers; a batch takes at most 1 MiB.
        const std::size_t bytes = std::max<std::size_t>((plainBytes + 4095) / 4096 * 4096, 4096);
        const std::size_t chunks = (bytes + kModernChunkSize - 1) / kModernChunkSize;
        slot->plain = SecureBuffer(bytes, kDataScrubPasses);  // the one it replaces is scrubbed
        slot->sealed.assign(bytes + chunks * kModernTagSize, 0);
    }
    return *slot;
}

bool ModernWriter::WriteRecordHead(const EntryKeys& keys, const EntrySaltV8& salt, const EntryMetadata& metadata) {
    const std::vector<std::uint8_t> plain = EncodeMetadata(metadata);
    if (plain.size() > kMaxMetadataSize) throw std::logic_error("metadata longer than an entry may hold");
    std::vector<std::uint8_t> record(kEntryRecordHeadSize + plain.size() + kModernTagSize);
    record[0] = kEntryRecord;
    std::copy(salt.begin(), salt.end(), record.begin() + 1);
    PutU32(&record[1 + kEntrySaltSizeV8], static_cast<std::uint32_t>(plain.size() + kModernTagSize));
    ChaCha20Poly1305Seal(KeyOf(keys.meta), kZeroNonce, {}, plain,
                         std::span(record).subspan(kEntryRecordHeadSize));
    return output_.Write(record);
}

ModernEntryOutcome ModernWriter::AddFolder(const EntryMetadata& metadata) {
    EntrySaltV8 salt{};
    if (!DrawEntrySalt(salt)) return ModernEntryOutcome::NoRandomSource;
    const EntryKeys keys = DeriveEntryKeys(fileKey_.bytes(), entries_, salt);
    EntryMetadata folder = metadata;
    folder.kind = EntryKind::Folder;
    folder.size = 0;
    if (!WriteRecordHead(keys, salt, folder)) return ModernEntryOutcome::ArchiveWriteFailed;
    ++entries_;
    return ModernEntryOutcome::Stored;
}

ModernEntryOutcome ModernWriter::AddFile(const EntryMetadata& metadata, ByteSource& source,
                                         const std::function<bool()>& unchanged, ProgressDialog& progress) {
    EntrySaltV8 salt{};
    if (!DrawEntrySalt(salt)) return ModernEntryOutcome::NoRandomSource;
    const std::uint64_t start = output_.Position();
    const EntryKeys keys = DeriveEntryKeys(fileKey_.bytes(), entries_, salt);
    EntryMetadata file = metadata;
    file.kind = EntryKind::File;
    if (!WriteRecordHead(keys, salt, file)) return ModernEntryOutcome::ArchiveWriteFailed;

    const ChunkLayout layout(file.size);
    const auto dataKey = KeyOf(keys.data);
    bool sourceShort = false;
    bool writeFailed = false;
    progress.SetStep(ProgressStep(layout.batches(), kProgressFull));
    const auto readBatch = [&](std::uint64_t batch, Slot& slot) {
        const std::size_t want = layout.PlainBytes(batch);
        slot.got = source.Read(slot.plain.bytes().first(want));
        return slot.got == want;
    };
    const auto afterBatch = [&](std::uint64_t batch) {
        progress.AddBytes(layout.PlainBytes(batch));
        progress.StepIt();
        progress.ConfirmCancelIfRequested();
    };
    if (layout.batches() == 1) {
        Slot& slot = SlotAt(0, layout.PlainBytes(0));
        if (!readBatch(0, slot)) {
            sourceShort = true;
        } else {
            SealBatch(dataKey, layout, 0, slot.plain.bytes(), slot.sealed, workers_);
            writeFailed = !output_.Write(std::span(slot.sealed).first(layout.SealedBytes(0)));
            if (!writeFailed) afterBatch(0);
        }
    } else {
        BatchSteps steps;
        steps.read = [&](std::uint64_t batch, unsigned index) {
            const bool whole = readBatch(batch, *slots_[index]);
            if (!whole) sourceShort = true;
            return whole;
        };
        // A batch the source could not fill is never sealed or written: the
        // entry is taken out again anyway.
        steps.transform = [&](std::uint64_t batch, unsigned index) {
            Slot& slot = *slots_[index];
            if (slot.got != layout.PlainBytes(batch)) return false;
            SealBatch(dataKey, layout, batch, slot.plain.bytes(), slot.sealed, workers_);
            return true;
        };
        steps.write = [&](std::uint64_t batch, unsigned index) {
            Slot& slot = *slots_[index];
            if (slot.got != layout.PlainBytes(batch)) return true;
            return output_.Write(std::span(slot.sealed).first(layout.SealedBytes(batch)));
        };
        steps.afterBatch = afterBatch;
        for (unsigned i = 0; i < slots_.size(); ++i) SlotAt(i, kChunksPerBatch * kModernChunkSize);
        writeFailed = RunBatchPipeline(layout.batches(), steps).writeFailed;
    }
    if (writeFailed) return ModernEntryOutcome::ArchiveWriteFailed;
    if (sourceShort || !unchanged()) {
        return output_.CutBack(start) ? ModernEntryOutcome::SourceChanged : ModernEntryOutcome::ArchiveWriteFailed;
    }
    ++entries_;
    fileBytes_ += file.size;
    return ModernEntryOutcome::Stored;
}

bool ModernWriter::Finish() {
    const SecureBuffer endKey = DeriveEndKey(fileKey_.bytes());
    const auto totals = EncodeEndTotals(entries_, fileBytes_);
    std::array<std::uint8_t, kEndRecordSize> record{};
    record[0] = kEndRecord;
    ChaCha20Poly1305Seal(KeyOf(endKey), kZeroNonce, {}, totals, std::span(record).subspan(1));
    return output_.Write(record) && output_.Flush();
}

}  // namespace pelorin::archive
