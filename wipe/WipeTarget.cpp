#include "wipe/WipeTarget.h"

#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin::wipe {

WipeRefusal CheckWipeTarget(const std::string& name, bool deleting, platform::FileStatus* status) {
    const auto found = platform::StatusOf(name);
    if (!found) return WipeRefusal::Missing;
    if (status) *status = *found;
    if (found->kind == platform::FileKind::Link) return WipeRefusal::Link;
    if (found->kind != platform::FileKind::Regular) return WipeRefusal::NotAFile;
    if (!deleting) return WipeRefusal::None;
    if (found->names > 1) return WipeRefusal::OtherNames;
    if (!platform::CanRemove(name)) return WipeRefusal::CannotRemove;
    return WipeRefusal::None;
}

platform::File OpenWipeTarget(const std::string& name, const platform::FileStatus& checked, bool read, bool hold,
                              platform::FileError* error) {
    platform::OpenOptions options;
    options.read = read;
    options.write = true;
    options.sequential = true;
    options.noFollow = true;
    if (hold) {
        options.lock = platform::FileLock::Exclusive;
        options.allowRename = true;
    }
    platform::File file = platform::File::Open(name, options, error);
    if (!file.IsOpen()) return file;
    const auto opened = file.Status();
    if (!opened || !(opened->identity == checked.identity) || opened->names != checked.names) {
        file.Close();
        if (error) *error = platform::FileError::Other;
    }
    return file;
}

std::string WipeRefusalText(WipeRefusal refusal) {
    switch (refusal) {
        case WipeRefusal::Missing: return "does not exist; nothing was wiped";
        case WipeRefusal::Link: return "is a link, which is never followed; not wiped";
        case WipeRefusal::NotAFile: return "is not a regular file (a folder, device, pipe or socket); not wiped";
        case WipeRefusal::OtherNames: return "has other names (hard links); not wiped";
        case WipeRefusal::CannotRemove:
            return "could not be deleted afterwards (its folder is not writable, or it is read-only); it was not "
                   "overwritten";
        case WipeRefusal::None: break;
    }
    return "";
}

}  // namespace pelorin::wipe
