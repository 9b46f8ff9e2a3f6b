#include "platform/Paths.h"

#include <windows.h>

#include "platform/Utf8.h"
#include "platform/win32/FileInformation.h"
#include "platform/win32/WidePath.h"

namespace pelorin::platform {
namespace {

using win32::LongPath;

// Opens a name to ask about it: attributes only, folders too, sharing
// everything; `follow` decides whether a link leads on to its target.
HANDLE OpenForQuery(const std::string& path, bool follow) {
    return CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

std::optional<FileStatus> QueryStatus(const std::string& path, bool follow) {
    HANDLE h = OpenForQuery(path, follow);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto information = win32::InformationOf(h);
    CloseHandle(h);
    if (!information) return std::nullopt;
    return information->status;
}

}  // namespace

// Names are UTF-8 inside already; a name holding a lone surrogate (which
// only the system's wide names can carry) has no UTF-8 form.
std::optional<std::string> NameAsUtf8(const std::string& name) {
    if (!IsUtf8(name)) return std::nullopt;
    return name;
}

std::optional<std::string> NameFromUtf8(const std::string& utf8) {
    if (!IsUtf8(utf8)) return std::nullopt;
    return utf8;
}

bool CreateFolder(const std::string& path) { return CreateDirectoryW(LongPath(path).c_str(), nullptr) != FALSE; }

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<FileStatus> StatusOf(const std::string& path) { return QueryStatus(path, false); }

bool IsLink(const std::string& path) {
    const auto status = StatusOf(path);
    return status && status->kind == FileKind::Link;
}

FolderListing ListFolder(const std::string& folder) {
    FolderListing listing;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((LongPath(folder) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        win32::RememberFailure(code);
        listing.readable = code == ERROR_FILE_NOT_FOUND;
        return listing;
    }
    do {
        const std::wstring wide = found.cFileName;
        if (wide == L"." || wide == L"..") continue;
        listing.names.push_back(win32::Narrow(wide));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return listing;
}

std::optional<std::string> StoredName(const std::string& path) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(LongPath(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    FindClose(search);
    return win32::Narrow(found.cFileName);
}

std::optional<std::string> ShortFormOf(const std::string& path) {
    const std::wstring wide = LongPath(path);
    const DWORD needed = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::wstring shortForm(needed, L'\0');
    const DWORD length = GetShortPathNameW(wide.c_str(), shortForm.data(), needed);
    if (length == 0 || length >= needed) return std::nullopt;
    shortForm.resize(length);
    // The long-path prefix is not part of the form handed back.
    if (shortForm.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        shortForm = L"\\\\" + shortForm.substr(8);
    } else if (shortForm.rfind(L"\\\\?\\", 0) == 0) {
        shortForm = shortForm.substr(4);
    }
    if (shortForm.size() >= MAX_PATH) return std::nullopt;
    return win32::Narrow(shortForm);
}

std::string AbsolutePath(const std::string& name) { return win32::Narrow(win32::FullName(win32::Widen(name))); }

std::size_t NameLengthOnDisk(const std::string& name) { return win32::Widen(name).size(); }

std::optional<std::uint64_t> FileSize(const std::string& path) {
    const auto status = StatusOf(path);
    if (!status) return std::nullopt;
    return status->size;
}

bool FlushFolder(const std::string& path) {
    // A folder opens only with backup semantics. Windows flushes a handle
    // opened for writing, which it may refuse; some systems flush a reading
    // one too.
    for (const DWORD access : {DWORD{GENERIC_WRITE}, DWORD{GENERIC_READ}}) {
        HANDLE folder = CreateFileW(LongPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr);
        if (folder == INVALID_HANDLE_VALUE) continue;
        const bool flushed = FlushFileBuffers(folder) != FALSE;
        CloseHandle(folder);
        if (flushed) return true;
    }
    return false;
}

bool RemoveFolder(const std::string& path) {
    if (RemoveDirectoryW(LongPath(path).c_str()) != FALSE) return true;
    win32::RememberFailure(GetLastError());
    return false;
}

bool RemoveLink(const std::string& path) {
    if (!IsLink(path)) return false;
    // A link to a folder (and a junction) is removed as a folder, without
    // touching what it leads to; a link to a file as a file.
    const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return RemoveDirectoryW(LongPath(path).c_str()) != FALSE;
    }
    return DeleteFileW(LongPath(path).c_str()) != FALSE;
}

bool IsSameFile(const std::string& a, const std::string& b) {
    const auto first = QueryStatus(a, true);
    const auto second = QueryStatus(b, true);
    if (!first || !second) return a == b;
    return first->identity == second->identity;
}

}  // namespace pelorin::platform
