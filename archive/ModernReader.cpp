#include "archive/ModernReader.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "archive/ChunkPipeline.h"
#include "archive/ChunkSize.h"
#include "cipher/ChaCha20Poly1305.h"
#include "cipher/Scramble.h"

namespace pelorin::archive {
namespace {

constexpr std::array<std::uint8_t, 12> kZeroNonce{};

}  // namespace

bool IsCutOrExtended(ModernFault fault) {
    return fault == ModernFault::EndsBeforeEndRecord || fault == ModernFault::EndsInsideRecord ||
           fault == ModernFault::EndTotalsDiffer || fault == ModernFault::TrailingBytes;
}

ModernReader::ModernReader(ByteSource& source, std::span<const std::uint8_t> fileKey, ParallelRunner& workers)
    : source_(source), fileKey_(fileKey), workers_(workers) {}

ModernReader::~ModernReader() = default;

std::size_t ModernReader::Read(std::span<std::uint8_t> bytes) {
    const std::size_t got = source_.Read(bytes);
    offset_ += got;
    return got;
}

ModernRecord ModernReader::Stop(ModernFault fault, std::uint64_t offset) {
    ModernRecord record;
    record.kind = ModernRecord::Kind::Fault;
    record.fault = source_.Failed() ? ModernFault::Unreadable : fault;
    record.offset = offset;
    stopped_ = record;
    dataPending_ = false;
    dataKey_.Release();
    return record;
}

ModernReader::Slot& ModernReader::SlotAt(unsigned index, std::size_t plainBytes) {
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

ModernRecord ModernReader::Next() {
    if (stopped_) return *stopped_;
    if (dataPending_) throw std::logic_error("the entry's data were neither read nor passed over");
    const std::uint64_t at = offset_;
    std::uint8_t type = 0;
    if (Read(std::span(&type, 1)) != 1) return Stop(ModernFault::EndsBeforeEndRecord, at);
    if (type == kEntryRecord) return ReadEntryRecord(at);
    if (type == kEndRecord) return ReadEndRecord(at);
    ModernRecord record = Stop(ModernFault::UnknownRecordType, at);
    record.recordType = type;
    stopped_ = record;
    return record;
}

ModernRecord ModernReader::ReadEntryRecord(std::uint64_t at) {
    std::array<std::uint8_t, kEntrySaltSizeV8 + kMetadataLengthSize> head{};
    if (Read(head) != head.size()) return Stop(ModernFault::EndsInsideRecord, offset_);
    EntrySaltV8 salt{};
    std::copy_n(head.begin(), salt.size(), salt.begin());
    const std::uint32_t sealedLength = GetU32(head.data() + kEntrySaltSizeV8);
    if (sealedLength < kMinSealedMetadata || sealedLength > kMaxSealedMetadata) {
        ModernRecord record = Stop(ModernFault::MetadataLengthOutOfRange, at);
        record.metadataLength = sealedLength;
        stopped_ = record;
        return record;
    }
    std::vector<std::uint8_t> sealed(sealedLength);
    if (Read(sealed) != sealed.size()) return Stop(ModernFault::EndsInsideRecord, offset_);
    EntryKeys keys = DeriveEntryKeys(fileKey_, index_, salt);
    // Names are not secret to whoever holds the passkey, but the metadata
    // are plaintext all the same: they live in locked memory.
    SecureBuffer plain(sealed.size() - kModernTagSize, kDataScrubPasses);
    if (!ChaCha20Poly1305Open(KeyOf(keys.meta), kZeroNonce, {}, sealed, plain.bytes())) {
        return Stop(ModernFault::MetadataTagFailed, at);
    }
    DecodedMetadata decoded = DecodeMetadata(plain.bytes());
    if (!decoded.metadata) return Stop(ModernFault::MetadataMalformed, at);
    ++index_;
    ModernRecord record;
    record.kind = ModernRecord::Kind::Entry;
    record.offset = at;
    record.metadata = std::move(*decoded.metadata);
    if (record.metadata.kind == EntryKind::File) {
        fileBytes_ += record.metadata.size;
        dataPending_ = true;
        dataSize_ = record.metadata.size;
        dataKey_ = std::move(keys.data);
    }
    return record;
}

ModernRecord ModernReader::ReadEndRecord(std::uint64_t at) {
    std::array<std::uint8_t, kEndRecordSize - 1> sealed{};
    if (Read(sealed) != sealed.size()) return Stop(ModernFault::EndsInsideRecord, offset_);
    const SecureBuffer endKey = DeriveEndKey(fileKey_);
    std::array<std::uint8_t, kEndPlainSize> totals{};
    if (!ChaCha20Poly1305Open(KeyOf(endKey), kZeroNonce, {}, sealed, totals)) {
        return Stop(ModernFault::EndRecordTagFailed, at);
    }
    std::uint64_t entries = 0, bytes = 0;
    DecodeEndTotals(totals, entries, bytes);
    if (entries != index_ || bytes != fileBytes_) {
        ModernRecord record = Stop(ModernFault::EndTotalsDiffer, at);
        record.endEntries = entries;
        record.endBytes = bytes;
        record.readEntries = index_;
        record.readBytes = fileBytes_;
        stopped_ = record;
        return record;
    }
    if (!source_.AtEnd()) return Stop(ModernFault::TrailingBytes, offset_);
    ModernRecord record;
    record.kind = ModernRecord::Kind::End;
    record.offset = at;
    stopped_ = record;
    return record;
}

bool ModernReader::Pass(std::uint64_t count, ProgressDialog* progress) {
    std::vector<std::uint8_t> skip(static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunksPerBatch * kSealedChunkSize)));
    while (count > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count, skip.size()));
        if (Read(std::span(skip).first(want)) != want) return false;
        count -= want;
        if (progress != nullptr) {
            progress->StepIt();
            progress->ConfirmCancelIfRequested();
        }
    }
    return true;
}

bool ModernReader::SkipData(ProgressDialog& progress) {
    if (!dataPending_) return true;
    dataPending_ = false;
    dataKey_.Release();
    const ChunkLayout layout(dataSize_);
    progress.SetStep(ProgressStep(layout.batches(), kProgressFull));
    if (!Pass(StoredDataLength(dataSize_), &progress)) {
        Stop(ModernFault::EndsInsideRecord, offset_);
        return false;
    }
    return true;
}

ModernDataResult ModernReader::ReadData(ByteSink* sink, ProgressDialog& progress) {
    if (!dataPending_) throw std::logic_error("no file entry's data to read");
    dataPending_ = false;
    const ChunkLayout layout(dataSize_);
    const std::uint64_t dataStart = offset_;
    const auto dataKey = KeyOf(dataKey_);
    std::atomic<std::uint64_t> consumed{0};
    ModernDataResult result;
    std::uint64_t failedChunk = 0;
    bool failed = false, cut = false, outputFailed = false;
    progress.SetStep(ProgressStep(layout.batches(), kProgressFull));

    const auto readBatch = [&](std::uint64_t batch, Slot& slot) {
        const std::size_t want = layout.SealedBytes(batch);
        slot.got = source_.Read(std::span(slot.sealed).first(want));
        consumed += slot.got;
        return slot.got == want;
    };
    const auto openBatch = [&](std::uint64_t batch, Slot& slot) {
        slot.opened = OpenBatch(dataKey, layout, batch, slot.sealed, slot.got, slot.plain.bytes(), workers_);
        if (slot.opened == layout.ChunksIn(batch)) return true;
        failed = true;
        failedChunk = layout.FirstChunk(batch) + slot.opened;
        // A chunk the file does not hold whole was cut off, not changed.
        const std::size_t chunkEnd = static_cast<std::size_t>(slot.opened) * kSealedChunkSize +
                                     layout.PlainLength(failedChunk) + kModernTagSize;
        cut = slot.got < chunkEnd;
        return false;
    };
    const auto writeBatch = [&](std::uint64_t batch, Slot& slot) {
        std::size_t bytes = 0;
        for (std::uint64_t j = 0; j < slot.opened; ++j) bytes += layout.PlainLength(layout.FirstChunk(batch) + j);
        if (sink == nullptr || bytes == 0) return true;
        if (sink->Write(slot.plain.bytes().first(bytes))) return true;
        outputFailed = true;
        return false;
    };
    const auto afterBatch = [&](std::uint64_t batch) {
        progress.AddBytes(layout.PlainBytes(batch));
        progress.StepIt();
        progress.ConfirmCancelIfRequested();
    };

    if (layout.batches() == 1) {
        Slot& slot = SlotAt(0, layout.PlainBytes(0));
        readBatch(0, slot);
        const bool whole = openBatch(0, slot);
        if (writeBatch(0, slot) && whole) afterBatch(0);
    } else {
        for (unsigned i = 0; i < slots_.size(); ++i) SlotAt(i, kChunksPerBatch * kModernChunkSize);
        BatchSteps steps;
        steps.read = [&](std::uint64_t batch, unsigned index) { return readBatch(batch, *slots_[index]); };
        steps.transform = [&](std::uint64_t batch, unsigned index) { return openBatch(batch, *slots_[index]); };
        steps.write = [&](std::uint64_t batch, unsigned index) { return writeBatch(batch, *slots_[index]); };
        steps.afterBatch = afterBatch;
        RunBatchPipeline(layout.batches(), steps);
    }
    offset_ += consumed;
    dataKey_.Release();

    const std::uint64_t failedAt = dataStart + failedChunk * kSealedChunkSize;
    if (outputFailed) {
        result.kind = ModernDataResult::Kind::OutputFailed;
    } else if (!failed) {
        return result;
    } else if (cut) {
        result.kind = ModernDataResult::Kind::CutShort;
        result.offset = failedAt;
    } else {
        result.kind = ModernDataResult::Kind::FailedTag;
        result.offset = failedAt;
    }
    // What is left of the entry is passed over, so that the records after
    // it can still be read; an archive that ends inside it is cut short.
    const std::uint64_t rest = StoredDataLength(dataSize_) - (offset_ - dataStart);
    if (!Pass(rest, nullptr)) Stop(ModernFault::EndsInsideRecord, offset_);
    return result;
}

}  // namespace pelorin::archive
