#pragma once

#include <optional>
#include <string>
#include <vector>

#include <memory>

#include "app_common/TemporaryFiles.h"
#include "platform/File.h"
#include "platform/FileStatus.h"

namespace pelorin::encrypt {

// The archive a job writes. It is created under the name chosen before the
// dialog, or, when that name was taken meanwhile (another job in the same
// folder), under the next free name the naming rule gives; exclusively, and
// held locked while it is written, so that two jobs never share one and no
// decryption reads it half-written.
//
// With `overwrite`, an existing regular archive of the chosen name is not
// cut at once: the new one is written beside it and takes its name only when
// finished, and only if that file is still the one that was there when the
// job began (a link of that name is never followed, and an archive another
// job wrote meanwhile is never replaced: the new one then keeps a free name
// of its own). However the job ends, the archive ends up under an archive
// name; `path` says which.
class ArchiveFile {
public:
    // Nothing when no archive can be created; `error` then says why.
    static std::optional<ArchiveFile> Create(const std::string& chosenName, const std::string& firstFullPath,
                                             bool overwrite, const std::vector<std::string>& sources,
                                             platform::FileError& error);

    ArchiveFile(ArchiveFile&& other) noexcept;
    ArchiveFile& operator=(ArchiveFile&&) = delete;
    // An archive not finished (a cancel, a failure) is still given a name of
    // its own, and replaces nothing.
    ~ArchiveFile();

    platform::File& file() { return file_; }
    const std::string& path() const { return path_; }

    // Forces what was written to the disk (before a source is wiped, the
    // archive must hold it for certain).
    bool ForceToDisk() { return file_.Flush(); }

    // Nothing was stored: the archive goes (an archive it was to replace
    // stays as it is).
    void Discard();

    // Closes the archive and gives it its name; only a `complete` one
    // replaces the archive that was there. False when it kept a free name of
    // its own instead (see path()).
    bool Finish(bool complete);

private:
    ArchiveFile(platform::File file, std::string path, std::string firstFullPath, std::vector<std::string> sources)
        : file_(std::move(file)), path_(std::move(path)), firstFullPath_(std::move(firstFullPath)),
          sources_(std::move(sources)) {}

    platform::File file_;
    std::string path_;                 // the archive's name
    std::string beside_;               // where it is written while it replaces path_ (else empty)
    std::optional<platform::FileIdentity> replaced_;  // the file path_ named when the job began
    std::string firstFullPath_;
    std::vector<std::string> sources_;
    std::unique_ptr<JobTemporaries> temporaries_;  // names the archive written beside while it is written
    bool finished_ = false;
};

}  // namespace pelorin::encrypt
