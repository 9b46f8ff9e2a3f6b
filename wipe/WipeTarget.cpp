#include "wipe/WipeTarget.h"

#include <functional>
#include <optional>

#include "platform/Folder.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin::wipe {

namespace {

// The checks over a name's status, its folder's and whether it could be
// removed.
WipeRefusal Check(const std::optional<platform::FileStatus>& found, bool deleting,
                  const std::function<std::optional<platform::FileStatus>()>& folderStatus,
                  const std::function<bool()>& canRemove, platform::FileStatus* status) {
    if (!found) return WipeRefusal::Missing;
    if (status) *status = *found;
    if (found->kind == platform::FileKind::Link) return WipeRefusal::Link;
    if (found->kind != platform::FileKind::Regular) return WipeRefusal::NotAFile;
    if (found->mountPoint) return WipeRefusal::MountPoint;
    if (!deleting) return WipeRefusal::None;
    if (found->names > 1) return WipeRefusal::OtherNames;
    // The system refuses to unlink such a name even to its owner, and the
    // write permissions below do not show it.
    if (found->appendOnly || found->immutable) return WipeRefusal::Protected;
    if (const auto folder = folderStatus(); folder && (folder->appendOnly || folder->immutable)) {
        return WipeRefusal::Protected;
    }
    if (!canRemove()) return WipeRefusal::CannotRemove;
    return WipeRefusal::None;
}

platform::OpenOptions WipeOpenOptions(bool read, bool hold) {
    platform::OpenOptions options;
    options.read = read;
    options.write = true;
    options.sequential = true;
    options.noFollow = true;
    if (hold) {
        options.lock = platform::FileLock::Exclusive;
        options.allowRename = true;
    }
    return options;
}

// The open file, unless it is not the one that was checked.
platform::File Verified(platform::File file, const platform::FileStatus& checked, platform::FileError* error) {
    if (!file.IsOpen()) return file;
    const auto opened = file.Status();
    if (!opened || !(opened->identity == checked.identity) || opened->names != checked.names) {
        file.Close();
        if (error) *error = platform::FileError::Other;
    }
    return file;
}

}  // namespace

WipeRefusal CheckWipeTarget(const std::string& name, bool deleting, platform::FileStatus* status) {
    const auto folderOf = [&name]() -> std::optional<platform::FileStatus> {
        const std::size_t cut = name.find_last_of(platform::kHostSeparator);
        if (cut == std::string::npos) return platform::StatusOf(".");
        return platform::StatusOf(name.substr(0, cut + 1));
    };
    return Check(platform::StatusOf(name), deleting, folderOf, [&] { return platform::CanRemove(name); }, status);
}

WipeRefusal CheckWipeTarget(const platform::Folder& folder, const std::string& name, bool deleting,
                            platform::FileStatus* status) {
    return Check(folder.StatusOf(name), deleting, [&] { return folder.Status(); }, [&] { return folder.CanRemove(name); },
                 status);
}

platform::File OpenWipeTarget(const std::string& name, const platform::FileStatus& checked, bool read, bool hold,
                              platform::FileError* error) {
    return Verified(platform::File::Open(name, WipeOpenOptions(read, hold), error), checked, error);
}

platform::File OpenWipeTarget(const platform::Folder& folder, const std::string& name,
                              const platform::FileStatus& checked, bool hold, platform::FileError* error, bool read) {
    return Verified(platform::File::OpenIn(folder, name, WipeOpenOptions(read, hold), error), checked, error);
}

std::string WipeRefusalText(WipeRefusal refusal) {
    switch (refusal) {
        case WipeRefusal::Missing: return "does not exist; nothing was wiped";
        case WipeRefusal::Link: return "is a link, which is never followed; not wiped";
        case WipeRefusal::NotAFile: return "is not a regular file (a folder, device, pipe or socket); not wiped";
        case WipeRefusal::OtherNames: return "has other names (hard links); not wiped";
        case WipeRefusal::MountPoint: return "has a file mounted on it, which is left alone; not wiped";
        case WipeRefusal::Protected:
            return "is append-only or immutable, or its folder is (chattr +a or +i), so its name could not be removed "
                   "afterwards; it was not overwritten";
        case WipeRefusal::CannotRemove:
            return "could not be deleted afterwards (its folder is not writable, or it is read-only); it was not "
                   "overwritten";
        case WipeRefusal::None: break;
    }
    return "";
}

}  // namespace pelorin::wipe
