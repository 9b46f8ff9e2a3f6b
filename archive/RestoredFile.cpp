#include "archive/RestoredFile.h"

#include "app_common/SharedRandom.h"
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

std::string NumberedNameBeside(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string name = target.substr(folder.size());
    // A leading dot starts a name, not an extension.
    const std::size_t dot = name.rfind('.');
    const std::size_t cut = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return folder + name.substr(0, cut) + std::to_string(NextSharedRandom() % 10000) + name.substr(cut);
}

std::string IncompleteName(const std::string& target, int attempt) {
    return target + ".incomplete" + (attempt > 1 ? std::to_string(attempt) : std::string());
}

std::optional<RestoredFile> RestoredFile::Begin(const std::string& target, JobTemporaries& temporaries,
                                                platform::FileError& error, bool replaceExisting) {
    bool exists = false;
    if (replaceExisting && !TargetReplaceable(target, exists, error)) return std::nullopt;
    platform::OpenOptions create;
    create.write = true;
    create.create = true;
    create.exclusive = true;
    create.sequential = true;
    create.noFollow = true;
    // Named while it is still open when it is finished (see Commit).
    create.allowRename = true;
    // Plaintext is for this user alone until it takes its final name.
    create.privateFile = true;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = temporaries.NameIn(FolderOf(target));
        platform::File file = platform::File::Open(temporary, create, &error);
        if (file.IsOpen()) {
            temporaries.Made(temporary, file);
            return RestoredFile(target, temporary, std::move(file), exists, replaceExisting);
        }
        if (error != platform::FileError::Exists) return std::nullopt;
    }
    return std::nullopt;
}

RestoredFile::RestoredFile(RestoredFile&& other) noexcept
    : target_(std::move(other.target_)), temporary_(std::move(other.temporary_)), file_(std::move(other.file_)),
      replaces_(other.replaces_), replaceExisting_(other.replaceExisting_), settled_(other.settled_),
      placedAs_(std::move(other.placedAs_)) {
    other.settled_ = true;
}

RestoredFile::~RestoredFile() {
    if (settled_) return;
    file_.Close();
    platform::DeleteFileNamed(temporary_);
}

bool RestoredFile::Commit(std::string& keptAs, bool forceToDisk, const Finish* finish) {
    if (finish != nullptr && finish->modified) file_.SetModified(*finish->modified);
    if (replaces_ || forceToDisk) file_.Flush();
    if (finish == nullptr) file_.Close();
    // Stored access takes the place of the replaced file's or a new file's.
    const bool carry = finish == nullptr || !finish->access.modeBits;
    if (replaceExisting_ ? platform::MoveOver(temporary_, target_, carry) : PlaceBeside(carry)) {
        if (replaceExisting_) placedAs_ = target_;
        settled_ = true;
        if (finish != nullptr) {
            file_.ApplyAccess(finish->access);
            file_.Close();
        }
        return true;
    }
    keptAs = KeepIncomplete();
    return false;
}

bool RestoredFile::PlaceBeside(bool carryPermissions) {
    // Permissions as a file of that name gets: the existing one's, or a new
    // file's.
    if (carryPermissions) platform::MatchPermissions(temporary_, target_);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string name = attempt == 0 ? target_ : NumberedNameBeside(target_);
        if (platform::RenameFile(temporary_, name)) {
            placedAs_ = name;
            return true;
        }
        if (!platform::FileExists(name)) return false;  // not a taken name: renaming fails for another reason
    }
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
