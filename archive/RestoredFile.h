#pragma once

#include <optional>
#include <string>

#include "app_common/TemporaryFiles.h"
#include "platform/File.h"

namespace pelorin::archive {

// Where a restored file is written: a new file beside its target, which
// takes the target's name only once it is complete. An existing file is
// therefore never emptied or replaced by a part of itself, and a second
// name (hard link) of it is never written through.
class RestoredFile {
public:
    // Checks the target (an existing one must be a regular file that could
    // be written) and creates the new file exclusively in its folder, under a
    // temporary name of the job's. Nothing, with `error` set, when either
    // fails.
    static std::optional<RestoredFile> Begin(const std::string& target, JobTemporaries& temporaries,
                                             platform::FileError& error);

    RestoredFile(RestoredFile&& other) noexcept;
    RestoredFile& operator=(RestoredFile&&) = delete;
    // Neither committed nor kept (a cancel, an exception): the new file goes.
    ~RestoredFile();

    platform::File& file() { return file_; }
    const std::string& target() const { return target_; }
    bool replacesAFile() const { return replaces_; }

    // The file is complete: it takes the target's name (forced to the disk
    // first when it replaces a file, so that a crash leaves one or the
    // other, and when `forceToDisk` asks, before its source goes). False
    // when the name could not be given; the bytes are then kept as by
    // KeepIncomplete, and `keptAs` says where.
    bool Commit(std::string& keptAs, bool forceToDisk);

    // The file is incomplete: it stays under a free name beside the target
    // ("<target>.incomplete", then "<target>.incomplete2", ...), which is
    // returned; the target is left as it was.
    std::string KeepIncomplete();

private:
    RestoredFile(std::string target, std::string temporary, platform::File file, bool replaces)
        : target_(std::move(target)), temporary_(std::move(temporary)), file_(std::move(file)), replaces_(replaces) {}

    std::string target_;
    std::string temporary_;
    platform::File file_;
    bool replaces_;
    bool settled_ = false;
};

// The name beside `target` for the bytes of an incomplete entry.
std::string IncompleteName(const std::string& target, int attempt);

}  // namespace pelorin::archive
