#include "archive/ArchiveCheck.h"

#include <algorithm>
#include <array>

#include "archive/ArchiveFormat.h"
#include "archive/ChunkSize.h"
#include "archive/ModernMessages.h"
#include "archive/ModernReader.h"
#include "archive/ReaderMessages.h"
#include "cipher/Algorithm.h"
#include "cipher/CipherKey.h"
#include "cipher/PasskeyCheck.h"
#include "cipher/Piece.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"

namespace pelorin::archive {
namespace {

// Counts what it hands on, so that every fault can name its byte.
class CountingSource final : public ByteSource {
public:
    CountingSource(ByteSource& source, std::uint64_t start) : source_(source), offset_(start) {}
    std::size_t Read(std::span<std::uint8_t> buffer) override {
        const std::size_t got = source_.Read(buffer);
        offset_ += got;
        return got;
    }
    std::uint64_t Remaining() override { return source_.Remaining(); }
    std::uint64_t Length() override { return source_.Length(); }
    bool AtEnd() override { return source_.AtEnd(); }
    bool Failed() const override { return source_.Failed(); }
    std::uint64_t offset() const { return offset_; }

private:
    ByteSource& source_;
    std::uint64_t offset_;
};

// Whether the last group of a piece holds its `tail` real bytes followed by
// copies of the pad byte, and whether that pad byte is the one a writer
// chooses for them.
bool PadSound(std::span<const std::uint8_t, kGroupSize> group, std::size_t tail, std::uint8_t pad) {
    bool sound = pad == ChoosePadByte(group.first(tail));
    for (std::size_t i = tail; i < kGroupSize; ++i) sound = sound && group[i] == pad;
    return sound;
}

// Reads one header item of n bytes as it is stored and says whether its pad
// byte (when enciphered and n is not a multiple of 8) is sound. False when
// the archive ends inside it.
bool ReadCheckedItem(CountingSource& source, std::span<std::uint8_t> out, bool encrypted,
                     std::span<const std::uint8_t> passkey, KeystreamVariant variant, bool& padSound) {
    padSound = true;
    if (!encrypted) return source.Read(out) == out.size();
    SecureBuffer stored(StoredPieceLength(out.size()), kDataScrubPasses);
    if (source.Read(stored.bytes()) != stored.size()) return false;
    auto cipher = MakeGroupCipher(static_cast<int>(Algorithm::PseudoRc4), passkey, variant);
    const std::size_t whole = out.size() / kGroupSize * kGroupSize;
    cipher->Decrypt(stored.bytes().first(whole));
    std::copy_n(stored.data(), whole, out.data());
    if (whole < out.size()) {
        const auto group = stored.bytes().subspan(whole + 1, kGroupSize);
        cipher->Decrypt(group);
        const std::size_t tail = out.size() - whole;
        std::copy_n(group.data(), tail, out.data() + whole);
        padSound = PadSound(std::span<const std::uint8_t, kGroupSize>(group.data(), kGroupSize), tail, stored.data()[whole]);
    }
    return true;
}

}  // namespace

ArchiveCheck CheckClassicArchive(ByteSource& raw, const std::string& archivePath, std::span<const std::uint8_t> passkey,
                                 ProgressDialog& progress, Ui& ui, ReaderState& state) {
    ArchiveCheck check;
    CountingSource source(raw, 0);
    const auto opened = CheckArchiveHeader(source, archivePath, HeaderCheckForm::Scanning, ui, state);
    if (!opened) {
        check.faults.push_back({source.offset(), source.Failed() ? "it could not be read"
                                                                 : "it is shorter than its header"});
        return check;
    }
    const ArchiveHeader& header = opened->header;
    check.version = header.version;
    check.passkeyUnchecked = !opened->hasCheck;
    if (opened->hasCheck && ComputePasskeyCheck(passkey, opened->salt) != opened->check) {
        check.outcome = ArchiveCheck::Outcome::WrongPasskey;
        return check;
    }
    check.outcome = ArchiveCheck::Outcome::Whole;
    const bool encrypted = HeadersEncrypted(header);
    const AlgorithmInfo* algorithm = FindAlgorithm(header.algorithm);
    const bool keyUsable = algorithm != nullptr && passkey.size() <= kMaxPasskeyLength &&
                           PasskeyLongEnough(header.algorithm, EntryHashing(header), passkey.size());
    if (algorithm == nullptr) {
        check.Add(1, "its algorithm (" + std::to_string(header.algorithm) +
                         ") is unknown, so no entry's data can be deciphered");
    } else if (!keyUsable) {
        check.Add(0, passkey.size() > kMaxPasskeyLength
                         ? "the passkey is longer than archives of this version take, so no entry's data can be "
                           "deciphered"
                         : "the passkey is shorter than its unhashed key needs, so no entry's data can be deciphered");
    }
    SecureBuffer buffer(kMaxChunkSize / kGroupSize * kGroupSize, kDataScrubPasses);
    while (!source.AtEnd()) {
        const std::uint64_t entryAt = source.offset();
        bool padSound = true;
        const auto badPad = [&](const char* item) {
            if (!padSound) check.Add(entryAt, std::string("the pad byte of the ") + item + " of the entry is wrong");
        };
        std::array<std::uint8_t, kWideNameLengthLength> field{};
        const std::size_t fieldLength = NameLengthFieldLength(header.version);
        if (!ReadCheckedItem(source, std::span(field).first(fieldLength), encrypted, passkey, state.keystream(),
                             padSound)) {
            check.Add(source.offset(), "it ends inside the entry that begins at byte " + std::to_string(entryAt));
            break;
        }
        badPad("name length");
        const std::int64_t nameLength = DecodeNameLength(field, header.version);
        if (nameLength < 0 || nameLength > kMaxStoredNameLength ||
            StoredItemLength(static_cast<std::uint64_t>(nameLength), encrypted) > source.Remaining()) {
            check.Add(entryAt, "the entry's name length (" + std::to_string(nameLength) + ") is impossible");
            break;
        }
        std::string name(static_cast<std::size_t>(nameLength), '\0');
        const ScrambleOnExit scrubName(name);
        std::array<std::uint8_t, kSizeFieldLength> sizeField{};
        if (!ReadCheckedItem(source, std::span(reinterpret_cast<std::uint8_t*>(name.data()), name.size()), encrypted,
                             passkey, state.keystream(), padSound)) {
            check.Add(source.offset(), "it ends inside the entry that begins at byte " + std::to_string(entryAt));
            break;
        }
        badPad("name");
        EntrySalt salt{};
        if (!ReadCheckedItem(source, sizeField, encrypted, passkey, state.keystream(), padSound) ||
            source.Read(salt) != salt.size()) {
            check.Add(source.offset(), "it ends inside the entry that begins at byte " + std::to_string(entryAt));
            break;
        }
        badPad("size");
        const std::uint64_t size = DecodeSizeField(sizeField);
        const std::uint64_t stored = StoredPieceLength(size);
        ++check.entries;
        check.bytes += size;
        progress.SetStatus(name);
        if (stored > source.Remaining()) {
            check.Add(source.Length(), "it ends inside the data of the entry that begins at byte " +
                                           std::to_string(entryAt) + " (" + std::to_string(stored) +
                                           " bytes announced)");
            break;
        }
        // The data are deciphered to reach the last group, whose pad byte is
        // checked; with an unknown algorithm or an unusable key they are
        // only passed over.
        std::unique_ptr<GroupCipher> cipher;
        if (keyUsable) {
            const CipherKey key(passkey, salt, EntryHashing(header), kKeyScrubPasses);
            cipher = MakeGroupCipher(header.algorithm, key.bytes(), state.keystream());
        }
        const std::uint64_t whole = size / kGroupSize * kGroupSize;
        for (std::uint64_t done = 0; done < whole;) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(whole - done, buffer.size()));
            source.Read(buffer.bytes().first(want));
            if (cipher) cipher->Decrypt(buffer.bytes().first(want));
            done += want;
            progress.AddBytes(want);
            progress.ConfirmCancelIfRequested();
        }
        if (whole < size) {
            std::array<std::uint8_t, kGroupSize + 1> padded{};
            source.Read(padded);
            const auto group = std::span(padded).subspan<1, kGroupSize>();
            if (cipher) {
                cipher->Decrypt(group);
                if (!PadSound(group, static_cast<std::size_t>(size - whole), padded[0])) {
                    check.Add(source.offset() - padded.size(),
                              "the pad byte of the data of the entry that begins at byte " + std::to_string(entryAt) +
                                  " is wrong");
                }
            }
            ScrambleBuffer(padded.data(), padded.size(), kDataScrubPasses);
        }
    }
    buffer.Release();
    return check;
}

ArchiveCheck CheckModernArchive(ByteSource& source, std::span<const std::uint8_t> passkey, ModernKeyRing& ring,
                                ParallelRunner& workers, ProgressDialog& progress,
                                const DerivationProgress& derivation) {
    ArchiveCheck check;
    check.version = kModernVersion;
    ModernHeaderBytes bytes{};
    const std::size_t got = source.Read(bytes);
    if (source.Failed() || got < bytes.size()) {
        check.faults.push_back({got, source.Failed() ? "it could not be read" : "it is shorter than its header"});
        return check;
    }
    const ModernOpening opening = ring.Open(bytes, passkey, workers, derivation);
    switch (opening.result) {
        case ModernOpening::Result::Opened: break;
        case ModernOpening::Result::WrongPasskey: check.outcome = ArchiveCheck::Outcome::WrongPasskey; return check;
        case ModernOpening::Result::BadHeader:
            check.faults.push_back({opening.fault.offset, HeaderFaultClause(opening.fault, bytes)});
            return check;
        case ModernOpening::Result::MemoryUnavailable:
            check.faults.push_back({kModernMemoryOffset, "its key derivation needs " +
                                                             MemoryAmountText(opening.memoryBytes) +
                                                             " of memory, which could not be had"});
            return check;
        case ModernOpening::Result::ShortHeader:
        case ModernOpening::Result::Unreadable: return check;
    }
    check.outcome = ArchiveCheck::Outcome::Whole;
    ModernReader reader(source, opening.fileKey, workers);
    for (;;) {
        const ModernRecord record = reader.Next();
        if (record.kind == ModernRecord::Kind::End) break;
        if (record.kind == ModernRecord::Kind::Fault) {
            check.Add(record.offset, ModernFaultClause(record));
            break;
        }
        ++check.entries;
        const EntryMetadata& entry = record.metadata;
        if (entry.unknownCritical) {
            check.Add(record.offset, "the entry \"" + entry.name + "\" holds an item this version does not know (type " +
                                         std::to_string(*entry.unknownCritical) + ")");
        }
        if (entry.kind != EntryKind::File) continue;
        check.bytes += entry.size;
        progress.SetStatus(entry.name);
        progress.SetPos(0);
        const ModernDataResult data = reader.ReadData(nullptr, progress);
        if (data.kind == ModernDataResult::Kind::FailedTag) {
            check.Add(data.offset, "a chunk of \"" + entry.name + "\" failed its authentication");
        } else if (data.kind == ModernDataResult::Kind::CutShort) {
            check.Add(data.offset, "it ends inside \"" + entry.name + "\": it was cut short");
            break;
        }
    }
    return check;
}

}  // namespace pelorin::archive
