#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileStatus.h"
#include "platform/Paths.h"

namespace pelorin::platform {

// An open folder that a walk works inside. Names are taken relative to it,
// so that no folder on the way down can be swapped for a link (to somewhere
// else) while the walk is in it: on Linux every call goes through the
// folder's descriptor; on Windows the folder is held open without delete
// sharing, so that it cannot be renamed or replaced while it is open. The
// folder itself is never opened through a link. Closed by the destructor.
class Folder {
public:
    // Nothing when the name is not a folder; a link to one is not, unless
    // `followLink` (a folder the user named by a path of their own).
    static std::optional<Folder> Open(const std::string& path, bool followLink = false);
    // A folder in this one, never through a link.
    std::optional<Folder> OpenChild(const std::string& name) const;
    // The folder this one is in now (which the caller checks is the one it
    // expects: the folder may have been moved meanwhile); `path` is the path
    // it goes by in messages.
    std::optional<Folder> OpenParent(const std::string& path) const;

    ~Folder();
    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // The folder's own status (its identity: the volume it is on).
    std::optional<FileStatus> Status() const;
    // What tells this folder from a later one of its identity (see File::Birth).
    std::optional<FileBirth> Birth() const;
    FolderListing List() const;
    // A name in the folder as it is; a link is reported, never followed.
    std::optional<FileStatus> StatusOf(const std::string& name) const;
    // Whether this user may delete the name (as CanRemove of a path).
    bool CanRemove(const std::string& name) const;
    // Never replaces a name that exists.
    bool Rename(const std::string& from, const std::string& to) const;
    bool Delete(const std::string& name) const;
    // An empty folder in this one.
    bool RemoveFolder(const std::string& name) const;
    // A link itself, never what it leads to.
    bool RemoveLink(const std::string& name) const;
    // Forces the folder's directory to the disk.
    bool Flush() const;
    // The folder's own time of last change (ticks as FileStatus has them)
    // and access, as a restore gives them back.
    bool SetModified(std::int64_t modified) const;
    bool ApplyAccess(const StoredAccess& access) const;
    // Forces everything the folder's volume holds in memory to the disk, its
    // own records too (Linux: the whole file system; Windows: as Flush), so
    // that directory blocks freed next were written where they lie first.
    bool FlushVolume() const;

    // The path the folder was opened by (on Windows in short form where the
    // volume has one), and the path of a name in it; for messages and for
    // calls that need a path.
    const std::string& path() const { return path_; }
    std::string PathOf(const std::string& name) const;
    std::intptr_t handle() const { return handle_; }

private:
    Folder(std::intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    std::intptr_t handle_ = -1;
    std::string path_;
};

}  // namespace pelorin::platform
