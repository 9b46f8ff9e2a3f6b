#include "platform/Volume.h"

#include <windows.h>

#include "platform/win32/WidePath.h"

namespace pelorin::platform {

std::optional<VolumeGeometry> QueryVolume(const std::string& path) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceW(win32::Widen(path).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
        return std::nullopt;
    }
    VolumeGeometry geometry;
    geometry.clusterSize = std::uint64_t{sectorsPerCluster} * bytesPerSector;
    geometry.sectorSize = bytesPerSector;
    geometry.freeClusters = freeClusters;
    geometry.totalClusters = totalClusters;
    if (geometry.clusterSize == 0) return std::nullopt;
    return geometry;
}

DriveType QueryDriveType(const std::string& root) {
    switch (GetDriveTypeW(win32::Widen(root).c_str())) {
        case DRIVE_NO_ROOT_DIR: return DriveType::NoRootDirectory;
        case DRIVE_REMOVABLE: return DriveType::Removable;
        case DRIVE_FIXED: return DriveType::Fixed;
        case DRIVE_REMOTE: return DriveType::Remote;
        case DRIVE_CDROM: return DriveType::CdRom;
        case DRIVE_RAMDISK: return DriveType::RamDisk;
        default: return DriveType::Unknown;
    }
}

std::string WhyNoNewFileIn(const std::string& folder) {
    DWORD flags = 0;
    const std::wstring root = win32::Widen(folder.size() >= 3 && folder[1] == ':' ? folder.substr(0, 3) : folder);
    if (GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
        (flags & FILE_READ_ONLY_VOLUME) != 0) {
        return "The volume is read-only";
    }
    return "";
}

bool CanEnterDrive(const std::string& root) {
    wchar_t saved[MAX_PATH * 4] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, saved);
    const bool entered = SetCurrentDirectoryW(win32::Widen(root).c_str()) != FALSE;
    if (length > 0 && length < MAX_PATH * 4) SetCurrentDirectoryW(saved);
    return entered;
}

bool IsVolumeRoot(const std::string& path) {
    return path.size() == 3 && path[1] == ':' && path[2] == '\\' && CanEnterDrive(path);
}

bool HoldsRunningSystem(const std::string& root) {
    wchar_t windows[MAX_PATH] = {};
    if (GetWindowsDirectoryW(windows, MAX_PATH) < 3 || root.size() < 3) return false;
    const std::wstring drive = win32::Widen(root.substr(0, 3));
    return CompareStringOrdinal(windows, 3, drive.c_str(), 3, TRUE) == CSTR_EQUAL;
}

std::optional<std::string> CreateTempFile(const std::string& folder, const std::string& prefix) {
    wchar_t name[MAX_PATH] = {};
    if (GetTempFileNameW(win32::Widen(folder).c_str(), win32::Widen(prefix).c_str(), 0, name) == 0) {
        return std::nullopt;
    }
    return win32::Narrow(name);
}

std::string UserStateFolder() {
    wchar_t folder[MAX_PATH * 4] = {};
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH * 4);
    if (length == 0 || length >= MAX_PATH * 4) length = GetTempPathW(MAX_PATH * 4, folder);
    std::string text = win32::Narrow(std::wstring(folder, length));
    if (!text.empty() && text.back() != '\\') text += '\\';
    return text;
}

bool DeleteFileNamed(const std::string& path) { return DeleteFileW(win32::LongPath(path).c_str()) != FALSE; }

bool CanRemove(const std::string& path) {
    const std::wstring name = win32::LongPath(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    // Opening for deletion asks the same rights as the deletion will.
    HANDLE h = CreateFileW(name.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    // A file another program has open refuses the question, not the right;
    // that it is in use is told when it is opened for the wipe.
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(h);
    return true;
}

bool RenameFile(const std::string& from, const std::string& to) {
    if (MoveFileExW(win32::LongPath(from).c_str(), win32::LongPath(to).c_str(), 0)) return true;
    win32::RememberFailure(GetLastError());
    return false;
}

// A file keeps the security of the folder it was made in, which is the
// replaced file's folder too.
void MatchPermissions(const std::string&, const std::string&) {}

bool MoveOver(const std::string& from, const std::string& to, bool) {
    if (MoveFileExW(win32::LongPath(from).c_str(), win32::LongPath(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    win32::RememberFailure(GetLastError());
    return false;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(win32::LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string VolumeRootOf(const std::string& fullyQualifiedName) { return fullyQualifiedName.substr(0, 3); }

bool IsFullyQualified(const std::string& name) { return name.size() >= 3 && name[1] == ':' && name[2] == '\\'; }

bool IsDriveRootForm(const std::string& root) { return root.size() >= 3 && root[1] == ':' && root[2] == '\\'; }

}  // namespace pelorin::platform
