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
    // fails. Without `replaceExisting` an existing target is never touched:
    // the file takes a free numbered name beside it instead (see Commit), and
    // the target is not looked at.
    static std::optional<RestoredFile> Begin(const std::string& target, JobTemporaries& temporaries,
                                             platform::FileError& error, bool replaceExisting = true);

    RestoredFile(RestoredFile&& other) noexcept;
    RestoredFile& operator=(RestoredFile&&) = delete;
    // Neither committed nor kept (a cancel, an exception): the new file goes.
    ~RestoredFile();

    platform::File& file() { return file_; }
    const std::string& target() const { return target_; }
    bool replacesAFile() const { return replaces_; }

    // The file is complete: it takes the target's name (forced to the disk
    // first when it replaces a file, so that a crash leaves one or the
    // other, and when `forceToDisk` asks, before its source goes). Without
    // replacing, a taken name is left to its file and the new one gets a
    // free numbered name beside it (placedAs() tells which). False when no
    // name could be given; the bytes are then kept as by KeepIncomplete, and
    // `keptAs` says where.
    // `finish`, when given, is what the file gets besides its bytes: its time
    // of last change before it is named, and its access once it is named
    // (until then it stays for this user alone; it is named while still
    // open, so that the access goes to the very file).
    struct Finish {
        std::optional<std::int64_t> modified;  // ticks as FileStatus has them
        platform::StoredAccess access;
    };
    bool Commit(std::string& keptAs, bool forceToDisk, const Finish* finish = nullptr);
    // Where Commit put the file.
    const std::string& placedAs() const { return placedAs_; }

    // The file is incomplete: it stays under a free name beside the target
    // ("<target>.incomplete", then "<target>.incomplete2", ...), which is
    // returned; the target is left as it was.
    std::string KeepIncomplete();

private:
    RestoredFile(std::string target, std::string temporary, platform::File file, bool replaces, bool replaceExisting)
        : target_(std::move(target)), temporary_(std::move(temporary)), file_(std::move(file)), replaces_(replaces),
          replaceExisting_(replaceExisting) {}
    bool PlaceBeside(bool carryPermissions);

    std::string target_;
    std::string temporary_;
    platform::File file_;
    bool replaces_;
    bool replaceExisting_;
    bool settled_ = false;
    std::string placedAs_;
};

// The name beside `target` for the bytes of an incomplete entry.
std::string IncompleteName(const std::string& target, int attempt);

// A numbered name beside `target` as the suite gives them when a name is
// taken: the file name without its extension, a number 0..9999 from the
// shared generator, then the extension ("letter4711.txt").
std::string NumberedNameBeside(const std::string& target);

}  // namespace pelorin::archive
