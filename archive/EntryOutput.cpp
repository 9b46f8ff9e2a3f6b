#include "archive/EntryOutput.h"

#include <algorithm>

#include "archive/EntryNames.h"
#include "archive/ReaderMessages.h"
#include "archive/RestoredFile.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace pelorin::archive {
namespace {

bool Holds(const ProtectedFiles& files, const platform::FileIdentity& identity) {
    return std::find(files.begin(), files.end(), identity) != files.end();
}

}  // namespace

bool PassesThroughLink(const std::string& folder, const std::string& relative) {
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find(platform::kHostSeparator, start);
        if (end == std::string::npos) end = relative.size();
        if (platform::IsLink(folder + relative.substr(0, end))) return true;
        start = end + 1;
    }
    return false;
}

RestoreJob::Standing RestoreJob::StandingOf(const std::string& path) const {
    const auto status = platform::StatusOf(path);
    if (!status) return {};
    return {Holds(protectedFiles, status->identity), Holds(restored, status->identity)};
}
void RestoreJob::Record(const std::string& path) {
    if (const auto status = platform::StatusOf(path)) restored.push_back(status->identity);
}

std::string FolderPart(const std::string& path) {
    const std::size_t cut = path.find_last_of(platform::kHostSeparator == '/' ? "/" : "\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

void CreateOutputDirectories(const std::string& path) {
    // Entries of one folder follow each other: one look settles all but the first.
    if (platform::IsFolder(path)) return;
    std::size_t index = 1;
    while (index < path.size()) {
        std::size_t end = path.find(platform::kHostSeparator, index);
        if (end == std::string::npos) end = path.size() - 1;
        platform::CreateFolder(path.substr(0, end + 1));
        index = end + 1;
    }
}

ReadOutcome RestoreInto(const std::string& target, const std::string& entryName, const std::string& sourcePath,
                        Ui& ui, RestoreJob& job, const std::function<ReadOutcome(ByteSink&)>& restore,
                        const RestoreDetails* details) {
    platform::FileError error = platform::FileError::None;
    auto output = RestoredFile::Begin(target, job.temporaries, error, !job.neverReplace);
    if (!output) ShowOpenError(ui, error, target);
    FileSink sink(output->file());
    const ReadOutcome outcome = restore(sink);
    std::string keptAs;
    switch (outcome) {
        case ReadOutcome::Complete:
            if (output->Commit(keptAs, job.forceToDisk, details != nullptr ? details->finish : nullptr)) {
                job.Record(output->placedAs());
                if (output->placedAs() != target) ShowRestoredBeside(ui, sourcePath, entryName, target, output->placedAs());
                return outcome;
            }
            ShowOutputFailed(ui, entryName, target, platform::LastFailureText(), keptAs);
            return ReadOutcome::OutputWriteFailed;
        case ReadOutcome::Truncated:
            // Nothing of the data was there: no empty file is left behind.
            if (output->file().Length() > 0) keptAs = output->KeepIncomplete();
            if (details != nullptr && details->incompleteText) {
                ui.ShowMessage(details->incompleteText(keptAs, output->replacesAFile()), std::nullopt,
                               MessageIcon::Exclamation);
            } else {
                ShowIncompleteEntry(ui, sourcePath, entryName, target, keptAs, output->replacesAFile());
            }
            return outcome;
        case ReadOutcome::OutputWriteFailed:
            keptAs = output->KeepIncomplete();
            ShowOutputFailed(ui, entryName, target, sink.failureText(), keptAs);
            return outcome;
        case ReadOutcome::UnknownAlgorithm:
        case ReadOutcome::KeyTooShort: return outcome;  // nothing was deciphered: the new file goes
    }
    return outcome;
}

RestoreOutcome RestoreEntry(ByteSource& archive, const std::string& archivePath, const std::string& name,
                            const OpenedArchive& opened, std::span<const std::uint8_t> passkey,
                            const ReaderState& state, ProgressDialog& progress, Ui& ui, RestoreJob& job) {
    const bool encrypted = HeadersEncrypted(opened.header);
    const std::string folder = FolderPart(archivePath);
    const std::string relative = HostRelativePath(name);
    const auto skip = [&] {
        return SkipEntryData(archive, encrypted, passkey, state, progress, name) ? RestoreOutcome::Refused
                                                                                 : RestoreOutcome::Incomplete;
    };
    if (!IsSafeEntryName(name) || PassesThroughLink(folder, relative)) {
        ShowRefusedName(ui, archivePath, name);
        return skip();
    }
    const std::string outputPath = folder + relative;
    const auto standing = job.StandingOf(outputPath);
    if (standing.isProtected) {
        ShowProtectedOutput(ui, archivePath, name);
        return skip();
    }
    const bool again = standing.restoredEarlier;
    const std::string entryFolder = FolderPart(relative);
    if (!entryFolder.empty()) CreateOutputDirectories(folder + entryFolder);
    progress.CountEntry();
    progress.SetStatus(name);

    const auto outcome = RestoreInto(outputPath, name, archivePath, ui, job, [&](ByteSink& sink) {
        ArchiveReader reader(archive, sink, passkey, encrypted, EntryFraming::Archive, EntryHashing(opened.header));
        return reader.Run(opened.header.algorithm, progress, ui, state);
    });
    if (outcome == ReadOutcome::Complete && again && !job.neverReplace) {
        // The earlier entry of that name is no longer on disk: the archive
        // is its only copy now.
        ShowReplacedEarlier(ui, archivePath, name);
        return RestoreOutcome::ReplacedEarlier;
    }
    switch (outcome) {
        case ReadOutcome::Complete: return RestoreOutcome::Restored;
        case ReadOutcome::Truncated: return RestoreOutcome::Incomplete;
        case ReadOutcome::UnknownAlgorithm: return RestoreOutcome::UnknownAlgorithm;
        case ReadOutcome::KeyTooShort: return RestoreOutcome::KeyTooShort;
        case ReadOutcome::OutputWriteFailed: return RestoreOutcome::OutputFailed;
    }
    return RestoreOutcome::OutputFailed;
}

}  // namespace pelorin::archive
