#include "archive/HeaderCheck.h"

#include "archive/ReaderMessages.h"

namespace pelorin::archive {

std::optional<OpenedArchive> CheckArchiveHeader(ByteSource& source, const std::string& archivePath,
                                                HeaderCheckForm form, Ui& ui, ReaderState& state) {
    const auto damaged = [&](Damage damage) -> std::optional<OpenedArchive> {
        if (state.damagedArchives.insert(archivePath).second) ShowDamagedArchive(ui, archivePath, damage);
        return std::nullopt;
    };
    std::array<std::uint8_t, kArchiveHeaderSize> bytes{};
    const std::size_t got = source.Read(bytes);
    if (source.Failed()) return damaged(Damage::UnreadableFile);
    if (got < bytes.size()) return damaged(Damage::ShortHeader);
    OpenedArchive opened;
    opened.header = ArchiveHeader::Parse(bytes);
    const ArchiveHeader& h = opened.header;
    const std::string& name = archivePath;

    if (state.warnedArchives.insert(archivePath).second) {
        if (h.version > kCurrentVersion) AskContinue(ui, "\"" + name + kNewerVersionEnding);
        if (h.algorithm >= kAlgorithmCount) AskContinue(ui, kUnknownAlgorithmOpening + name + kUnknownAlgorithmEnding);
        if (h.encryptedHeaders > kEncryptedHeadersOn) {
            AskContinue(ui, kHeadersOpening + name +
                                (form == HeaderCheckForm::Decrypting ? kHeadersEndingDecrypt : kHeadersEndingScan));
        }
    }
    state.legacy = h.version < kFirstVersionWithCurrentKeystream;
    if (form == HeaderCheckForm::Probing && state.legacy && h.algorithm == static_cast<int>(Algorithm::PseudoRc4)) {
        ui.ShowMessage(kLegacyRc4Notice, std::nullopt, MessageIcon::Exclamation);
    }
    if (HasPasskeyCheck(h.version)) {
        opened.hasCheck = true;
        if (source.Read(opened.salt) != opened.salt.size() || source.Read(opened.check) != opened.check.size()) {
            return damaged(Damage::ShortHeader);
        }
    }
    return opened;
}

}  // namespace pelorin::archive
