#include "platform/Folder.h"

#include <windows.h>

#include <utility>

#include "platform/Volume.h"
#include "platform/win32/FileInformation.h"
#include "platform/win32/WidePath.h"

namespace pelorin::platform {
namespace {

inline HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Held without delete sharing: while it is open, nobody can rename the
// folder, delete it or put a link in its place.
std::optional<std::intptr_t> OpenHeld(const std::string& path, bool followLink) {
    HANDLE h = CreateFileW(win32::LongPath(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        win32::RememberFailure(GetLastError());
        return std::nullopt;
    }
    const auto information = win32::InformationOf(h);
    if (!information || information->status.kind != FileKind::Folder) {
        CloseHandle(h);
        win32::RememberFailure(ERROR_DIRECTORY);
        return std::nullopt;
    }
    return reinterpret_cast<std::intptr_t>(h);
}

std::string Trimmed(std::string path) {
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

}  // namespace

std::optional<Folder> Folder::Open(const std::string& path, bool followLink) {
    std::string trimmed = Trimmed(path);
    const auto handle = OpenHeld(trimmed, followLink);
    if (!handle) return std::nullopt;
    return Folder(*handle, std::move(trimmed));
}

std::optional<Folder> Folder::OpenChild(const std::string& name) const {
    const auto status = StatusOf(name);
    if (!status || status->kind != FileKind::Folder) {
        win32::RememberFailure(ERROR_DIRECTORY);
        return std::nullopt;
    }
    // The short form keeps deep paths short; where there is none (no short
    // names on the volume, too long a path) the long one serves.
    const std::string path = PathOf(name);
    return Open(ShortFormOf(path + '\\').value_or(path));
}

std::optional<Folder> Folder::OpenParent(const std::string& path) const {
    const std::size_t cut = path_.find_last_of("\\/");
    if (cut == std::string::npos) {
        win32::RememberFailure(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    auto parent = Open(path_.substr(0, cut + 1));
    if (parent) parent->path_ = path;
    return parent;
}

Folder::~Folder() {
    if (handle_ != -1) CloseHandle(Handle(handle_));
}

Folder::Folder(Folder&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        if (handle_ != -1) CloseHandle(Handle(handle_));
        handle_ = std::exchange(other.handle_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

std::optional<FileStatus> Folder::Status() const {
    const auto information = win32::InformationOf(Handle(handle_));
    if (!information) return std::nullopt;
    return information->status;
}

FolderListing Folder::List() const { return ListFolder(PathOf("")); }

std::optional<FileBirth> Folder::Birth() const { return win32::BirthOf(Handle(handle_)); }

std::optional<FileStatus> Folder::StatusOf(const std::string& name) const { return platform::StatusOf(PathOf(name)); }

bool Folder::CanRemove(const std::string& name) const { return platform::CanRemove(PathOf(name)); }

bool Folder::Rename(const std::string& from, const std::string& to) const {
    return RenameFile(PathOf(from), PathOf(to));
}

bool Folder::Delete(const std::string& name) const { return DeleteFileNamed(PathOf(name)); }

bool Folder::RemoveFolder(const std::string& name) const { return platform::RemoveFolder(PathOf(name)); }

bool Folder::RemoveLink(const std::string& name) const { return platform::RemoveLink(PathOf(name)); }

bool Folder::Flush() const { return FlushFolder(path_); }

bool Folder::FlushVolume() const { return Flush(); }

namespace {

// A second handle to the held folder that may change its attributes and
// times: the same folder, not whatever its name leads to now.
HANDLE ReopenForAttributes(std::intptr_t handle) {
    HANDLE h = ReOpenFile(Handle(handle), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE) win32::RememberFailure(GetLastError());
    return h;
}

}  // namespace

bool Folder::SetModified(std::int64_t modified) const {
    HANDLE h = ReopenForAttributes(handle_);
    if (h == INVALID_HANDLE_VALUE) return false;
    const auto ticks = static_cast<std::uint64_t>(modified);
    const FILETIME written{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
    const bool done = SetFileTime(h, nullptr, nullptr, &written) != 0;
    if (!done) win32::RememberFailure(GetLastError());
    CloseHandle(h);
    return done;
}

bool Folder::ApplyAccess(const StoredAccess& access) const {
    if (!access.attributes) return true;
    HANDLE h = ReopenForAttributes(handle_);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool done = win32::ApplyStoredAttributes(h, *access.attributes);
    if (!done) win32::RememberFailure(GetLastError());
    CloseHandle(h);
    return done;
}

std::string Folder::PathOf(const std::string& name) const {
    return !path_.empty() && (path_.back() == '\\' || path_.back() == '/') ? path_ + name : path_ + '\\' + name;
}

}  // namespace pelorin::platform
