#include "archive/ArchiveReader.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "archive/ArchiveFormat.h"
#include "archive/ChunkPipeline.h"
#include "archive/ChunkSize.h"
#include "archive/HeaderCipher.h"
#include "archive/ReaderMessages.h"
#include "archive/SpreadCipher.h"
#include "cipher/Algorithm.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"
#include "platform/Process.h"

namespace pelorin::archive {
namespace {

// Reads the size field and salt that precede an entry's data.
bool ReadSizeAndSalt(ByteSource& archive, bool encryptedHeaders, std::span<const std::uint8_t> passkey,
                     const ReaderState& state, std::uint64_t& size, EntrySalt& salt) {
    std::array<std::uint8_t, kSizeFieldLength> field{};
    if (!ReadHeaderItem(archive, field, encryptedHeaders, passkey, state.keystream())) return false;
    size = DecodeSizeField(field);
    return archive.Read(salt) == salt.size();
}

// Reads past `count` bytes in the buffer's block size.
bool ReadPast(ByteSource& archive, std::span<std::uint8_t> buffer, std::uint64_t count) {
    while (count > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer.size()));
        if (archive.Read(buffer.first(want)) != want) return false;
        count -= want;
    }
    return true;
}

}  // namespace

ArchiveReader::ArchiveReader(ByteSource& archive, ByteSink& output, std::span<const std::uint8_t> passkey,
                             bool encryptedHeaders, EntryFraming framing, PasskeyHashing hashing)
    : archive_(archive), output_(output), passkey_(passkey), encryptedHeaders_(encryptedHeaders),
      framing_(framing), hashing_(framing == EntryFraming::Import ? PasskeyHashing::Off : hashing) {}

ReadOutcome ArchiveReader::Run(int algorithm, ProgressDialog& progress, Ui& ui, const ReaderState& state) {
    const platform::IdlePriorityScope idle;
    std::uint64_t size = 0;
    EntrySalt salt{};
    if (framing_ == EntryFraming::Archive) {
        if (!ReadSizeAndSalt(archive_, encryptedHeaders_, passkey_, state, size, salt)) return ReadOutcome::Truncated;
    } else {
        size = archive_.Remaining();
    }
    // An entry's key is made from the passkey and its salt; import input is
    // keyed by the passkey itself, which is then not copied at all.
    std::optional<CipherKey> entryKey;
    if (framing_ == EntryFraming::Archive) entryKey.emplace(passkey_, salt, hashing_, kDataScrubPasses);
    const std::span<const std::uint8_t> key = entryKey ? entryKey->bytes() : passkey_;

    const std::uint64_t chunk = ChunkSize(size);
    const std::uint64_t chunkCount = size / chunk;
    progress.SetPos(0);
    progress.SetStep(ProgressStep(chunkCount, kProgressFull));
    SecureBuffer buffer(chunk, kDataScrubPasses);

    const AlgorithmInfo* info = FindAlgorithm(algorithm);
    ReadOutcome outcome = ReadOutcome::Complete;
    if (info == nullptr) {
        ui.ShowMessage(kUnknownFileTypeText, kErrorCaption, MessageIcon::Warning);
        // The data are passed over so that the next entry can still be read.
        if (framing_ == EntryFraming::Archive && !ReadPast(archive_, buffer.bytes(), StoredPieceLength(size))) {
            outcome = ReadOutcome::Truncated;
        } else {
            outcome = ReadOutcome::UnknownAlgorithm;
        }
    } else if (key.size() < static_cast<std::size_t>(info->keyBytesRequired)) {
        outcome = ReadOutcome::KeyTooShort;
    } else {
        // The legacy keystream concerns Pseudo-RC4 bodies of old archives.
        const KeystreamVariant variant = framing_ == EntryFraming::Archive ? state.keystream()
                                                                           : KeystreamVariant::Current;
        auto cipher = std::make_unique<SpreadCipher>(MakeGroupCipher(algorithm, key, variant), JobWorkers());
        // Deciphers and writes what could be read, in whole groups only,
        // slice by slice.
        auto transfer = [&](std::span<std::uint8_t> block) {
            for (std::size_t offset = 0; offset < block.size(); offset += kSliceSize) {
                const auto slice = block.subspan(offset, std::min(kSliceSize, block.size() - offset));
                const std::size_t got = archive_.Read(slice);
                const std::size_t whole = got / kGroupSize * kGroupSize;
                cipher->Decrypt(slice.first(whole));
                if (!output_.Write(slice.first(whole))) {
                    outcome = ReadOutcome::OutputWriteFailed;
                    return false;
                }
                if (got < slice.size()) {
                    outcome = ReadOutcome::Truncated;
                    return false;
                }
            }
            return true;
        };
        bool going = true;
        auto afterChunk = [&] {
            progress.AddBytes(chunk);
            progress.StepIt();
            progress.ConfirmCancelIfRequested();
        };
        if (chunkCount < 2) {
            for (std::uint64_t i = 0; going && i < chunkCount; ++i) {
                going = transfer(buffer.bytes());
                if (going) afterChunk();
            }
        } else {
            const auto piped = RunChunkPipeline(
                archive_, output_, chunkCount, chunk, ShortRead::Stop,
                [&](std::span<std::uint8_t> block) { cipher->Decrypt(block); }, afterChunk);
            if (piped.writeFailed) {
                outcome = ReadOutcome::OutputWriteFailed;
                going = false;
            } else if (piped.readShort) {
                outcome = ReadOutcome::Truncated;
                going = false;
            }
        }
        const std::uint64_t remainder = size % chunk;
        const std::uint64_t whole = remainder / kGroupSize * kGroupSize;
        if (going && whole > 0) going = transfer(buffer.bytes().first(whole));
        if (going && remainder != whole) {
            // A pad byte in clear, then the final group; its first
            // remainder - whole bytes are the data, the rest copies of the pad.
            std::array<std::uint8_t, kGroupSize + 1> padded{};
            if (archive_.Read(padded) != padded.size()) {
                outcome = ReadOutcome::Truncated;
            } else {
                cipher->Decrypt(std::span(padded).subspan(1));
                if (!output_.Write(std::span(padded).subspan(1, remainder - whole))) {
                    outcome = ReadOutcome::OutputWriteFailed;
                }
            }
            ScrambleBuffer(padded.data(), padded.size(), kDataScrubPasses);
        }
        if (going) progress.AddBytes(remainder);
    }

    progress.SetPos(kProgressFull);
    progress.SetStatus(kScramblingStatus);
    buffer.Release();
    return outcome;
}

bool SkipEntryData(ByteSource& archive, bool encryptedHeaders, std::span<const std::uint8_t> passkey,
                   const ReaderState& state, ProgressDialog& progress, const std::string& status) {
    std::uint64_t size = 0;
    EntrySalt salt{};
    if (!ReadSizeAndSalt(archive, encryptedHeaders, passkey, state, size, salt)) return false;
    const std::uint64_t chunk = ChunkSize(size);
    const std::uint64_t chunkCount = size / chunk;
    SecureBuffer buffer(chunk, kDataScrubPasses);
    progress.SetPos(0);
    progress.SetStep(ProgressStep(chunkCount, kProgressFull));
    progress.SetStatus(status);
    bool complete = true;
    for (std::uint64_t i = 0; i < chunkCount; ++i) {
        if (archive.Read(buffer.bytes()) != buffer.size()) {
            complete = false;
            break;
        }
        progress.StepIt();
        progress.ConfirmCancelIfRequested();
    }
    if (complete) complete = ReadPast(archive, buffer.bytes(), StoredPieceLength(size % chunk));
    progress.SetPos(kProgressFull);
    progress.SetStatus(kScramblingStatus);
    buffer.Release();
    return complete;
}

}  // namespace pelorin::archive
