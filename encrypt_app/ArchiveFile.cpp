#include "encrypt_app/ArchiveFile.h"

#include "encrypt_app/JobList.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin::encrypt {
namespace {

platform::OpenOptions Writing() {
    platform::OpenOptions options;
    options.write = true;
    options.sequential = true;
    options.noFollow = true;
    options.lock = platform::FileLock::Exclusive;
    return options;
}

// Creates `path` only if no file has that name.
platform::File CreateNew(const std::string& path, platform::FileError& error) {
    platform::OpenOptions options = Writing();
    options.create = true;
    options.exclusive = true;
    return platform::File::Open(path, options, &error);
}

// The existing regular file `path`, emptied once it is held.
platform::File Replace(const std::string& path, platform::FileError& error) {
    platform::OpenOptions options = Writing();
    options.truncate = true;
    return platform::File::Open(path, options, &error);
}

// Names that the next try gives way to: taken, a link, or held by another job.
bool GivesWay(platform::FileError error) {
    return error == platform::FileError::Exists || error == platform::FileError::IsLink ||
           error == platform::FileError::InUse || error == platform::FileError::NotRegular;
}

}  // namespace

std::optional<CreatedArchive> CreateArchiveFile(const std::string& chosenName, const std::string& firstFullPath,
                                                bool overwrite, const std::vector<std::string>& sources,
                                                platform::FileError& error) {
    std::string candidate = chosenName;
    bool mayReplace = overwrite;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        platform::File file;
        if (mayReplace && platform::FileExists(candidate)) {
            file = Replace(candidate, error);
        } else {
            file = CreateNew(candidate, error);
        }
        if (file.IsOpen()) return CreatedArchive{std::move(file), candidate};
        if (!GivesWay(error)) return std::nullopt;
        // A free name as the naming rule gives it when the usual one is taken.
        mayReplace = false;
        candidate = ChooseArchiveName(firstFullPath, false, sources,
                                      [](const std::string& name) { return platform::StatusOf(name).has_value(); },
                                      platform::IsSameFile);
    }
    return std::nullopt;
}

}  // namespace pelorin::encrypt
