#include "archive/ArchiveWriter.h"

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "archive/ArchiveFormat.h"
#include "archive/ChunkPipeline.h"
#include "archive/ChunkSize.h"
#include "archive/HeaderCipher.h"
#include "archive/SpreadCipher.h"
#include "cipher/Algorithm.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"
#include "platform/OsRandom.h"
#include "platform/Process.h"

namespace pelorin::archive {
namespace {

// Collects what went wrong during a run; the first failure to write ends all
// further writing, since nothing after it could be read back anyway.
struct RunState {
    bool sourceShort = false;
    bool archiveFailed = false;

    // Reads exactly buffer.size() bytes, standing in zeros for what the
    // source could not deliver, so that the layout keeps its byte count.
    void ReadFull(ByteSource& source, std::span<std::uint8_t> buffer) {
        const std::size_t got = source.Read(buffer);
        if (got < buffer.size()) {
            sourceShort = true;
            std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(got), buffer.end(), std::uint8_t{0});
        }
    }

    void Write(ByteSink& archive, std::span<const std::uint8_t> bytes) {
        if (archiveFailed) return;
        if (!archive.Write(bytes)) archiveFailed = true;
    }
};

}  // namespace

EntryRefusal CheckEntryCanBeWritten(int algorithm, PasskeyHashing hashing, std::size_t passkeyLength) {
    if (FindAlgorithm(algorithm) == nullptr) return EntryRefusal::UnknownAlgorithm;
    if (!PasskeyLongEnough(algorithm, hashing, passkeyLength)) return EntryRefusal::PasskeyTooShort;
    return EntryRefusal::None;
}

bool DrawEntrySalt(EntrySalt& salt) { return platform::OsRandomBytes(salt); }

ArchiveWriter::ArchiveWriter(ByteSource& source, ByteSink& archive, std::span<const std::uint8_t> passkey,
                             bool encryptHeaders, PasskeyHashing hashing, const EntrySalt& salt)
    : source_(source), archive_(archive), passkey_(passkey), key_(passkey, salt, hashing, kKeyScrubPasses),
      encryptHeaders_(encryptHeaders),
      hashing_(hashing), salt_(salt) {}

WriteOutcome ArchiveWriter::Run(int algorithm, ProgressDialog& progress, Ui& ui) {
    const AlgorithmInfo* info = FindAlgorithm(algorithm);
    if (info != nullptr && !PasskeyLongEnough(algorithm, hashing_, passkey_.size())) {
        throw std::logic_error("passkey shorter than the cipher reads");
    }
    const EntrySalt& salt = salt_;

    const platform::IdlePriorityScope idle;
    const std::uint64_t size = source_.Remaining();
    const std::uint64_t chunk = ChunkSize(size);
    SecureBuffer buffer(chunk, kDataScrubPasses);
    const std::uint64_t chunkCount = size / chunk;
    RunState state;

    const auto sizeField = EncodeSizeField(size);
    if (!WriteHeaderItem(archive_, sizeField, encryptHeaders_, passkey_)) state.archiveFailed = true;
    state.Write(archive_, salt);
    progress.SetStep(ProgressStep(chunkCount, kProgressFull));

    if (info == nullptr) {
        ui.ShowMessage(kUnknownAlgorithmText, kFileErrorCaption, MessageIcon::Exclamation);
    } else {
        auto cipher = std::make_unique<SpreadCipher>(MakeGroupCipher(algorithm, key_.bytes()), JobWorkers());
        auto transfer = [&](std::span<std::uint8_t> block) {
            for (std::size_t offset = 0; offset < block.size(); offset += kSliceSize) {
                const auto slice = block.subspan(offset, std::min(kSliceSize, block.size() - offset));
                state.ReadFull(source_, slice);
                cipher->Encrypt(slice);
                state.Write(archive_, slice);
            }
        };
        if (chunkCount < 2) {
            for (std::uint64_t i = 0; i < chunkCount; ++i) {
                transfer(buffer.bytes());
                progress.AddBytes(chunk);
                progress.StepIt();
                progress.ConfirmCancelIfRequested();
            }
        } else {
            const auto piped = RunChunkPipeline(
                source_, archive_, chunkCount, chunk, ShortRead::FillWithZeros,
                [&](std::span<std::uint8_t> block) { cipher->Encrypt(block); },
                [&] {
                    progress.AddBytes(chunk);
                    progress.StepIt();
                    progress.ConfirmCancelIfRequested();
                });
            if (piped.readShort) state.sourceShort = true;
            if (piped.writeFailed) state.archiveFailed = true;
        }
        const std::uint64_t remainder = size % chunk;
        const std::uint64_t whole = remainder / 8 * 8;
        transfer(buffer.bytes().first(whole));
        if (remainder != whole) {
            const auto tail = buffer.bytes().first(remainder - whole);
            state.ReadFull(source_, tail);
            std::array<std::uint8_t, 9> padded{};
            padded[0] = FillFinalGroup(tail, std::span(padded).subspan<1>());
            cipher->Encrypt(std::span(padded).subspan(1));
            state.Write(archive_, padded);
            ScrambleBuffer(padded.data(), padded.size(), kDataScrubPasses);
        }
        progress.AddBytes(remainder);
    }

    progress.SetPos(kProgressFull);
    progress.SetStatus(kScramblingStatus);
    buffer.Release();

    if (info == nullptr) return WriteOutcome::UnknownAlgorithm;
    if (state.archiveFailed) return WriteOutcome::ArchiveWriteFailed;
    if (state.sourceShort) return WriteOutcome::SourceShort;
    return WriteOutcome::Complete;
}

}  // namespace pelorin::archive
