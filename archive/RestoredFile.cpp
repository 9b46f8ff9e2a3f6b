#include "archive/RestoredFile.h"

#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin::archive {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t cut = path.find_last_of(platform::kHostSeparator == '/' ? "/" : "\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Whether an existing target may be replaced: a regular file that this
// user could write (a read-only file or a folder is refused as an open of
// it would be). True with nothing to replace when it does not exist.
bool TargetReplaceable(const std::string& target, bool& exists, platform::FileError& error) {
    const auto status = platform::StatusOf(target);
    exists = status.has_value();
    if (!exists) return true;
    platform::OpenOptions probe;
    probe.write = true;
    probe.noFollow = true;
    platform::File file = platform::File::Open(target, probe, &error);
    return file.IsOpen();
}

}  // namespace

std::string IncompleteName(const std::string& target, int attempt) {
    return target + ".incomplete" + (attempt > 1 ? std::to_string(attempt) : std::string());
}

std::optional<RestoredFile> RestoredFile::Begin(const std::string& target, JobTemporaries& temporaries,
                                                platform::FileError& error) {
    bool exists = false;
    if (!TargetReplaceable(target, exists, error)) return std::nullopt;
    platform::OpenOptions create;
    create.write = true;
    create.create = true;
    create.exclusive = true;
    create.sequential = true;
    create.noFollow = true;
    // Plaintext is for this user alone until it takes its final name.
    create.privateFile = true;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = temporaries.NameIn(FolderOf(target));
        platform::File file = platform::File::Open(temporary, create, &error);
        if (file.IsOpen()) {
            temporaries.Made(temporary, file);
            return RestoredFile(target, temporary, std::move(file), exists);
        }
        if (error != platform::FileError::Exists) return std::nullopt;
    }
    return std::nullopt;
}

RestoredFile::RestoredFile(RestoredFile&& other) noexcept
    : target_(std::move(other.target_)), temporary_(std::move(other.temporary_)), file_(std::move(other.file_)),
      replaces_(other.replaces_), settled_(other.settled_) {
    other.settled_ = true;
}

RestoredFile::~RestoredFile() {
    if (settled_) return;
    file_.Close();
    platform::DeleteFileNamed(temporary_);
}

bool RestoredFile::Commit(std::string& keptAs, bool forceToDisk) {
    if (replaces_ || forceToDisk) file_.Flush();
    file_.Close();
    if (platform::MoveOver(temporary_, target_)) {
        settled_ = true;
        return true;
    }
    keptAs = KeepIncomplete();
    return false;
}

std::string RestoredFile::KeepIncomplete() {
    file_.Close();
    settled_ = true;
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string name = IncompleteName(target_, attempt);
        if (platform::RenameFile(temporary_, name)) {
            platform::MatchPermissions(name, target_);
            return name;
        }
        if (!platform::FileExists(name)) break;  // not a taken name: renaming fails for another reason
    }
    return temporary_;
}

}  // namespace pelorin::archive
