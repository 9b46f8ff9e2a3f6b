#include "encrypt_app/ArchiveFile.h"

#include "encrypt_app/JobList.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin::encrypt {
namespace {

// Creates `path` only if no file has that name, held while it is written.
platform::File CreateNew(const std::string& path, platform::FileError& error) {
    platform::OpenOptions options;
    options.write = true;
    options.create = true;
    options.exclusive = true;
    options.sequential = true;
    options.noFollow = true;
    options.lock = platform::FileLock::Exclusive;
    return platform::File::Open(path, options, &error);
}

// Names that give way to the next one: taken, a link, or not a file.
bool GivesWay(platform::FileError error) {
    return error == platform::FileError::Exists || error == platform::FileError::IsLink ||
           error == platform::FileError::InUse || error == platform::FileError::NotRegular;
}

std::string FolderOf(const std::string& path) {
    const std::size_t cut = path.find_last_of(platform::kHostSeparator == '/' ? "/" : "\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string FreeName(const std::string& firstFullPath, const std::vector<std::string>& sources) {
    return ChooseArchiveName(firstFullPath, false, sources,
                             [](const std::string& name) { return platform::StatusOf(name).has_value(); },
                             platform::IsSameFile);
}

}  // namespace

std::optional<ArchiveFile> ArchiveFile::Create(const std::string& chosenName, const std::string& firstFullPath,
                                               bool overwrite, const std::vector<std::string>& sources,
                                               platform::FileError& error) {
    const auto existing = platform::StatusOf(chosenName);
    if (overwrite && existing && existing->kind == platform::FileKind::Folder) {
        error = platform::FileError::AccessDenied;  // as an open of a folder would say
        return std::nullopt;
    }
    if (overwrite && existing && existing->kind == platform::FileKind::Regular) {
        // Written beside the archive it replaces, under a temporary name.
        auto temporaries = std::make_unique<JobTemporaries>();
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string beside = temporaries->NameIn(FolderOf(chosenName));
            platform::File file = CreateNew(beside, error);
            if (file.IsOpen()) {
                temporaries->Made(beside, file);
                ArchiveFile archive(std::move(file), chosenName, firstFullPath, sources);
                archive.beside_ = beside;
                archive.replaced_ = existing->identity;
                archive.temporaries_ = std::move(temporaries);
                return archive;
            }
            if (error != platform::FileError::Exists) return std::nullopt;
        }
        return std::nullopt;
    }
    std::string candidate = chosenName;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        platform::File file = CreateNew(candidate, error);
        if (file.IsOpen()) return ArchiveFile(std::move(file), candidate, firstFullPath, sources);
        if (!GivesWay(error)) return std::nullopt;
        candidate = FreeName(firstFullPath, sources);
    }
    return std::nullopt;
}

ArchiveFile::ArchiveFile(ArchiveFile&& other) noexcept
    : file_(std::move(other.file_)), path_(std::move(other.path_)), beside_(std::move(other.beside_)),
      replaced_(other.replaced_), firstFullPath_(std::move(other.firstFullPath_)),
      sources_(std::move(other.sources_)), temporaries_(std::move(other.temporaries_)), finished_(other.finished_) {
    other.finished_ = true;
}

ArchiveFile::~ArchiveFile() {
    if (!finished_) Finish(false);
}

void ArchiveFile::Discard() {
    if (finished_) return;
    finished_ = true;
    file_.Close();
    platform::DeleteFileNamed(beside_.empty() ? path_ : beside_);
}

bool ArchiveFile::Finish(bool complete) {
    if (finished_) return true;
    finished_ = true;
    file_.Close();
    if (beside_.empty()) return true;
    // Only a finished archive replaces, and only the file that was there
    // when the job began.
    const auto now = platform::StatusOf(path_);
    if (complete && now && replaced_ && now->identity == *replaced_ && now->kind == platform::FileKind::Regular &&
        platform::MoveOver(beside_, path_)) {
        return true;
    }
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string free = FreeName(firstFullPath_, sources_);
        if (platform::RenameFile(beside_, free)) {
            path_ = free;
            return false;
        }
    }
    path_ = beside_;
    return false;
}

}  // namespace pelorin::encrypt
