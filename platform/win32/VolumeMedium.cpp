#include "platform/VolumeMedium.h"

#include <windows.h>
#include <winioctl.h>

#include <string>

#include "platform/win32/WidePath.h"

namespace pelorin::platform {
namespace {

// The volume's root ("x:\" or a mounted folder), ending with a backslash.
std::wstring RootOf(const std::string& path) {
    wchar_t root[MAX_PATH + 1] = {};
    if (GetVolumePathNameW(win32::Widen(path).c_str(), root, MAX_PATH + 1)) return root;
    return win32::Widen(path.size() >= 3 ? path.substr(0, 3) : path);
}

// The volume as a device the storage queries take: "\\.\x:", or its
// "\\?\Volume{...}" name for a volume mounted on a folder.
std::wstring DeviceOf(const std::wstring& root) {
    if (root.size() == 3 && root[1] == L':') return L"\\\\.\\" + root.substr(0, 2);
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetVolumeNameForVolumeMountPointW(root.c_str(), name, MAX_PATH + 1)) return L"";
    std::wstring device = name;
    if (!device.empty() && device.back() == L'\\') device.pop_back();
    return device;
}

template <typename Descriptor>
bool QueryProperty(HANDLE device, STORAGE_PROPERTY_ID property, Descriptor& descriptor) {
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = property;
    query.QueryType = PropertyStandardQuery;
    DWORD bytes = 0;
    return DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &descriptor,
                           sizeof descriptor, &bytes, nullptr) &&
           bytes >= sizeof descriptor;
}

// NTFS tells the disk which clusters a deletion freed unless the
// administrator turned that off (fsutil behavior set DisableDeleteNotify 1).
bool DeletionsNotified() {
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\FileSystem",
                                        L"DisableDeleteNotification", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return status == ERROR_SUCCESS && value == 0;
}

// Seek penalty, TRIM and bus of the disk under the volume; what the disk
// does not answer stays unknown (Wine answers none of it).
void AskTheDisk(const std::wstring& root, VolumeFacts& facts) {
    const std::wstring name = DeviceOf(root);
    if (name.empty()) return;
    // No access asked: the queries need none, and no administrator.
    HANDLE device = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) return;
    DEVICE_SEEK_PENALTY_DESCRIPTOR seek{};
    const bool seekTold = QueryProperty(device, StorageDeviceSeekPenaltyProperty, seek);
    if (seekTold) facts.medium = seek.IncursSeekPenalty ? Medium::Rotational : Medium::SolidState;
    DEVICE_TRIM_DESCRIPTOR trim{};
    if (QueryProperty(device, StorageDeviceTrimProperty, trim)) facts.discards = trim.TrimEnabled != FALSE;
    // The header of the device descriptor carries the bus: a virtual disk
    // (a mounted image file, a virtual machine's disk) says so there.
    STORAGE_DEVICE_DESCRIPTOR descriptor{};
    if (QueryProperty(device, StorageDeviceProperty, descriptor) &&
        (descriptor.BusType == BusTypeVirtual || descriptor.BusType == BusTypeFileBackedVirtual)) {
        facts.medium = Medium::Virtual;
    }
    // The disk's number only from a disk that told something of itself
    // (Wine numbers every drive 0 and tells nothing else).
    STORAGE_DEVICE_NUMBER number{};
    DWORD bytes = 0;
    if ((seekTold || facts.discards) &&
        DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, &bytes,
                        nullptr)) {
        facts.device = "PhysicalDrive" + std::to_string(number.DeviceNumber);
    }
    CloseHandle(device);
    facts.mountDiscards = facts.discards == true && DeletionsNotified();
}

bool Elevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD bytes = 0;
    const bool elevated =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &bytes) && elevation.TokenIsElevated;
    CloseHandle(token);
    return elevated;
}

}  // namespace

std::optional<VolumeFacts> ProbeVolume(const std::string& path) {
    const std::wstring root = RootOf(path);
    wchar_t system[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1)) {
        return std::nullopt;
    }
    VolumeFacts facts;
    facts.fileSystem = win32::Narrow(system);
    facts.mountPoint = win32::Narrow(root);
    switch (GetDriveTypeW(root.c_str())) {
        case DRIVE_REMOTE: facts.medium = Medium::Network; return facts;
        case DRIVE_RAMDISK: facts.medium = Medium::Memory; return facts;
        default: break;
    }
    AskTheDisk(root, facts);
    return facts;
}

TrimOutcome TrimFreeSpace(const std::string& root) {
    if (!Elevated()) {
        return {TrimResult::NotPermitted, "only an elevated administrator may retrim a volume", 0};
    }
    // The system's own optimiser, by its full path: never one found on the way.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    const std::wstring program = std::wstring(folder, length) + L"\\defrag.exe";
    if (length == 0 || length >= MAX_PATH || GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return {TrimResult::Unsupported, "this system has no defrag.exe to retrim the volume with", 0};
    }
    std::wstring volume = win32::Widen(root);
    if (volume.size() == 3 && volume[1] == L':') volume.pop_back();  // "x:" as defrag takes it
    std::wstring command = L"\"" + program + L"\" \"" + volume + L"\" /L";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        win32::RememberFailure(GetLastError());
        return {TrimResult::Failed, "defrag.exe could not be started", 0};
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (status == 0) return {TrimResult::Done, "", 0};
    return {TrimResult::Failed, "defrag.exe /L ended with status " + std::to_string(status), 0};
}

}  // namespace pelorin::platform
