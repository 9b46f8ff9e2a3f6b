#include "archive/EntryOutput.h"

#include "archive/EntryNames.h"
#include "archive/ReaderMessages.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace pelorin::archive {
namespace {

// True when some existing component of `relative` below `folder` is a link,
// which would lead the output out of the archive's folder.
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

}  // namespace

std::string FolderPart(const std::string& path) {
    const std::size_t cut = path.find_last_of(platform::kHostSeparator == '/' ? "/" : "\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

void CreateOutputDirectories(const std::string& path) {
    std::size_t index = 1;
    while (index < path.size()) {
        std::size_t end = path.find(platform::kHostSeparator, index);
        if (end == std::string::npos) end = path.size() - 1;
        platform::CreateFolder(path.substr(0, end + 1));
        index = end + 1;
    }
}

platform::File OpenOutputOrExit(const std::string& path, Ui& ui) {
    platform::OpenOptions options;
    options.write = true;
    options.create = true;
    options.truncate = true;
    options.sequential = true;
    options.noFollow = true;
    platform::FileError error = platform::FileError::None;
    platform::File output = platform::File::Open(path, options, &error);
    if (!output.IsOpen()) ShowOpenError(ui, error, path);
    return output;
}

RestoreOutcome RestoreEntry(ByteSource& archive, const std::string& archivePath, const std::string& name,
                            const OpenedArchive& opened, std::span<const std::uint8_t> passkey,
                            const ReaderState& state, ProgressDialog& progress, Ui& ui) {
    const bool encrypted = HeadersEncrypted(opened.header);
    const std::string folder = FolderPart(archivePath);
    const std::string relative = HostRelativePath(name);
    if (!IsSafeEntryName(name) || PassesThroughLink(folder, relative)) {
        ShowRefusedName(ui, archivePath, name);
        return SkipEntryData(archive, encrypted, passkey, state, progress, name) ? RestoreOutcome::Refused
                                                                                 : RestoreOutcome::Incomplete;
    }
    const std::string entryFolder = FolderPart(relative);
    if (!entryFolder.empty()) CreateOutputDirectories(folder + entryFolder);
    const std::string outputPath = folder + relative;
    progress.SetStatus(name);

    platform::File output = OpenOutputOrExit(outputPath, ui);
    FileSink sink(output);
    ArchiveReader reader(archive, sink, passkey, encrypted, EntryFraming::Archive, EntryHashing(opened.header));
    switch (reader.Run(opened.header.algorithm, progress, ui, state)) {
        case ReadOutcome::Complete: return RestoreOutcome::Restored;
        case ReadOutcome::Truncated: return RestoreOutcome::Incomplete;
        case ReadOutcome::UnknownAlgorithm: return RestoreOutcome::UnknownAlgorithm;
        case ReadOutcome::KeyTooShort: return RestoreOutcome::KeyTooShort;
        case ReadOutcome::OutputWriteFailed: return RestoreOutcome::OutputFailed;
    }
    return RestoreOutcome::OutputFailed;
}

}  // namespace pelorin::archive
