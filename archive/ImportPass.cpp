#include "archive/ImportPass.h"

#include <algorithm>
#include <vector>

#include "archive/ArchiveReader.h"
#include "archive/EntryOutput.h"
#include "archive/ReaderMessages.h"
#include "cipher/GroupCipher.h"
#include "platform/File.h"

namespace pelorin::archive {

std::string ImportRaggedText(const std::string& inputPath, std::uint64_t length) {
    return "\"" + inputPath + "\" cannot be imported: after the padding it holds " +
           std::to_string(length) + " bytes, which is not a whole number of 8-byte groups.\nNothing was written.";
}

ImportOutcome ImportInput(ByteSource& input, const std::string& inputPath, int algorithm, std::int64_t padding,
                          std::span<const std::uint8_t> passkey, ProgressDialog& progress, Ui& ui,
                          RestoreJob& job) {
    if (padding < 0) {
        ui.ShowMessage(kNegativePaddingText, kErrorCaption, MessageIcon::Warning);
        return ImportOutcome::NegativePadding;
    }
    std::vector<std::uint8_t> skipped(64 * 1024);
    for (std::uint64_t left = static_cast<std::uint64_t>(padding); left > 0;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, skipped.size()));
        if (input.Read(std::span(skipped).first(want)) != want) break;
        left -= want;
    }
    if (input.AtEnd()) {
        ui.ShowMessage("\"" + inputPath + kNothingAfterPaddingText, std::nullopt,
                       MessageIcon::Information);
        return ImportOutcome::NothingAfterPadding;
    }
    const std::uint64_t length = input.Remaining();
    if (length % kGroupSize != 0) {
        ui.ShowMessage(ImportRaggedText(inputPath, length), kErrorCaption, MessageIcon::Warning);
        return ImportOutcome::RaggedLength;
    }
    if (!PasskeyLongEnough(algorithm, PasskeyHashing::Off, passkey.size())) {
        ShowPasskeyTooShort(ui, inputPath, algorithm);
        return ImportOutcome::KeyTooShort;
    }

    const std::string outputPath = FolderPart(inputPath) + kImportOutputName;
    job.neverReplace = true;
    progress.SetStatus(FileNamePart(outputPath));
    const auto outcome = RestoreInto(outputPath, FileNamePart(outputPath), inputPath, ui, job, [&](ByteSink& sink) {
        ReaderState unused;
        ArchiveReader reader(input, sink, passkey, false, EntryFraming::Import, PasskeyHashing::Off);
        return reader.Run(algorithm, progress, ui, unused);
    });
    switch (outcome) {
        case ReadOutcome::Complete: return ImportOutcome::Restored;
        case ReadOutcome::Truncated: return ImportOutcome::Incomplete;
        case ReadOutcome::KeyTooShort: return ImportOutcome::KeyTooShort;
        case ReadOutcome::UnknownAlgorithm:
        case ReadOutcome::OutputWriteFailed: return ImportOutcome::OutputFailed;
    }
    return ImportOutcome::OutputFailed;
}

}  // namespace pelorin::archive
